#pragma once

#include <cstdint>

namespace pelmora::protocols {

// How a mail client protects its connection. The program's settings have only "host[:port]",
// so Auto chooses by the well-known ports: 465 and 995 implicit TLS, 587 STARTTLS with
// authentication, anything else the plain dialogue.
enum class MailSecurity { Auto, Plain, StartTls, Implicit };

inline MailSecurity effectiveSecurity(MailSecurity chosen, std::uint16_t port)
{
    if (chosen != MailSecurity::Auto)
        return chosen;
    if (port == 465 || port == 995)
        return MailSecurity::Implicit;
    if (port == 587)
        return MailSecurity::StartTls;
    return MailSecurity::Plain;
}

} // namespace pelmora::protocols
