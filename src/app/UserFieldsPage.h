#pragma once

#include <QWidget>

#include <map>

class QLabel;

namespace pelmora::data {
class TableView;
}

namespace pelmora::app {

// Page 4: the twenty fields whose captions the user names himself.
class UserFieldsPage : public QWidget {
    Q_OBJECT
public:
    explicit UserFieldsPage(QWidget* parent = nullptr);

    // Gives the field `realName` (User1..User10, Date1..Date5, Num1..Num5) the caption
    // `nikName`; an empty name leaves the caption as it is, and unknown fields are ignored.
    void setCaption(const QString& realName, const QString& nikName);
    QString caption(const QString& realName) const;
    // Gives every field the name the user gave it in `names` (the open field-name table, in
    // its RealName order); fields without a row or with an empty name keep their captions.
    void applyNames(data::TableView& names);

    // The field names in the order the page shows them.
    static QStringList fieldNames();

private:
    QWidget* buildColumn(const QString& prefix, const QString& captionPrefix, int count, bool dates);

    std::map<QString, QLabel*> m_captions;
};

} // namespace pelmora::app
