#include "net/TmsMailBase.h"

namespace pelmora::net {

void TmsMailBase::Connect()
{
    if (Connected())
        return;
    Open();
    Login();
}

void TmsMailBase::Disconnect()
{
    if (!Connected())
        return;
    try {
        Logout();
    } catch (...) {
        Close();
        throw;
    }
    Close();
}

} // namespace pelmora::net
