#pragma once

#include <QObject>
#include <QString>

#include <cstdint>

namespace pelmora::data {
class TfrmDataModule;
}

namespace pelmora::app {

class MailCommands;
class TDataSource;
class TfrmMainForm;

// Opens the mailto: and tel: links the desktop hands to the program, at start or through the
// copy already running: a mailto: link opens the send window addressed as the link says, on the
// contact with that address when there is one; a tel: link dials the number.
class DesktopLinkCommands : public QObject {
    Q_OBJECT
public:
    DesktopLinkCommands(TfrmMainForm* form, data::TfrmDataModule& data, TDataSource* dsCon, MailCommands* mail);

    // False (after saying why) when the link cannot be read or there is nothing to open it on.
    bool open(const QString& link);

    // The contact whose e-mail address is `address` (case ignored); 0 when there is none.
    std::int64_t contactWithAddress(const std::string& address) const;

private:
    bool openMailto(const QString& link);
    bool openTel(const QString& link);

    TfrmMainForm* m_form;
    data::TfrmDataModule& m_data;
    TDataSource* m_dsCon;
    MailCommands* m_mail;
};

} // namespace pelmora::app
