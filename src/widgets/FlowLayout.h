#pragma once

#include <QLayout>
#include <QList>

namespace pelmora::app {

// Lays its widgets out left to right and starts a new line when the next one would not fit, so a
// row of buttons wider than a small window wraps instead of scrolling some buttons out of sight.
// Its preferred size is the single line; its height follows the width it is given.
class FlowLayout : public QLayout {
public:
    explicit FlowLayout(QWidget* parent = nullptr);
    ~FlowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;

    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Places the items in `rect` (or only measures when `move` is false); the height used.
    int arrange(const QRect& rect, bool move) const;

    QList<QLayoutItem*> m_items;
};

} // namespace pelmora::app
