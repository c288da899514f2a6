#pragma once

#include "net/TagSocket.h"

namespace pelmora::net {

// The frame of a mail protocol session: connect is open and then sign on, disconnect is sign off
// and then close. The clients supply the dialogue.
class TmsMailBase : public TagSocket {
public:
    using TagSocket::TagSocket;

    // Opens and signs on, unless the socket is open already.
    void Connect();
    // Signs off and closes, unless the socket is closed already. The socket is closed even when
    // signing off fails, so that a broken session never keeps its descriptor.
    void Disconnect();

protected:
    virtual void Login() = 0;
    virtual void Logout() = 0;
};

} // namespace pelmora::net
