#pragma once

#include <QWidget>

#include <functional>

namespace pelmora::comms {

// The strip above the fax page's text: a tick at every default tab stop, a line, and three
// markers (first-line indent, left indent, right indent) the user drags to set the paragraph's
// indents. Positions are the markers' left edges in pixels.
class FaxRuler : public QWidget {
public:
    enum Marker { FirstIndent = 0, LeftIndent = 1, RightIndent = 2 };
    static constexpr int kMarkerWidth = 8;

    explicit FaxRuler(QWidget* parent = nullptr);

    int markerLeft(int marker) const { return m_left[marker]; }
    void setMarkerLeft(int marker, int left);
    void setTabStop(double pixels);
    bool dragging() const { return m_dragged >= 0; }

    // Called when a marker is released: the marker, its left edge and the drag offset.
    std::function<void(int marker, int left, int offset)> released;
    // Called when the ruler changes size: the right marker is measured from the right edge.
    std::function<void()> resized;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect markerRect(int marker) const;

    int m_left[3] = { 2, 2, 0 };
    int m_dragged = -1;
    int m_offset = 0;
    double m_tabStop = 80;
};

} // namespace pelmora::comms
