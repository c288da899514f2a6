#pragma once

#include "settings/Settings.h"

#include <ostream>

namespace pelmora::settings {

// Lets a failed comparison print the settings key by key instead of raw bytes.
inline void PrintTo(const Settings& settings, std::ostream* out)
{
    for (const SettingKey& key : settingKeys())
        *out << '\n' << key.name << '=' << settings.get(key.name);
}

// Every key given a value that another INI reader reads the same (no blanks at the ends, no
// enclosing quotes), with text that commonly breaks naive readers: ";", "#", "%", "=" and UTF-8.
inline Settings filledSettings()
{
    Settings s;
    s.smtpServer = "smtp.example.com";
    s.emailAddress = "joe@example.com";
    s.senderName = "Jos\xC3\xA9 Example";
    s.charSet = 1;
    s.encoding = 2;
    s.server = "pop.example.com";
    s.userName = "joe";
    s.password = "p;w#%x=y";
    s.ras = 3;
    s.defImp = 0;
    s.defImpStr = "/home/joe/In.mbx";
    s.lastData = "/home/joe/pelmora/data";
    s.fileHtm = "12";
    s.lastDataName = "Sample";
    return s;
}

} // namespace pelmora::settings
