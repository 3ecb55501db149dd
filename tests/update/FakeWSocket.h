#pragma once
// A socket without a network for driving THttpCli directly: lookups answer 127.0.0.1,
// connections succeed on the next turn of the event loop, sent bytes are kept, and the
// test hands in what "arrives" chunk by chunk through the socket's own event dispatch.
#include "WSocket.h"

#include <QByteArray>
#include <QMetaObject>

#include <algorithm>
#include <cstring>

class FakeWSocket : public TWSocket {
public:
    using TWSocket::TWSocket;

    QByteArray Sent;
    int Connects = 0;

    void LookupHost(const QString& HostName) override
    {
        if (HostName.isEmpty()) {
            TWSocket::LookupHost(HostName);
            return;
        }
        QMetaObject::invokeMethod(this, [this] { TWSocket::LookupHost(QStringLiteral("127.0.0.1")); }, Qt::QueuedConnection);
    }

    void Connect() override
    {
        if (State() != wsClosed)
            throw ESocketException(QStringLiteral("Connect: Socket already in use"));
        if (Port().isEmpty())
            throw ESocketException(QStringLiteral("Connect: No Port Specified"));
        ++Connects;
        ++FConnSerial;
        FCloseInvoked = false;
        FWaiting.clear();
        ChangeState(wsOpened);
        ChangeState(wsConnecting);
        PostForConnection([this] { HandleConnectEvent(0); });
    }

    int Send(const void* Data, int Length) override
    {
        if (State() != wsConnected) {
            SocketError(QStringLiteral("Send"), WSAENOTCONN);
            return -1;
        }
        Sent.append(static_cast<const char*>(Data), Length);
        PostForConnection([this] { HandleWriteEvent(0); });
        return Length;
    }

    int Receive(void* Buffer, int BufferSize) override
    {
        if (State() != wsConnected) {
            SetLastError(WSAENOTCONN);
            return -1;
        }
        if (FWaiting.isEmpty()) {
            if (FPeerClosed)
                return 0;
            SetLastError(WSAEWOULDBLOCK);
            return -1;
        }
        const int n = std::min<int>(BufferSize, static_cast<int>(FWaiting.size()));
        std::memcpy(Buffer, FWaiting.constData(), static_cast<std::size_t>(n));
        FWaiting.remove(0, n);
        FReadCount += n;
        return n;
    }

    int RcvdCount() override { return State() == wsConnected ? static_cast<int>(FWaiting.size()) : -1; }

    void Close() override
    {
        if (State() == wsClosed)
            return;
        const unsigned serial = FConnSerial;
        FWaiting.clear();
        FPeerClosed = false;
        ChangeState(wsClosed);
        if (!FDestroying)
            RaiseSessionClosedOnce(0);
        if (serial == FConnSerial && State() == wsClosed)
            AssignDefaultValue();
    }

    // Data arriving from the peer, reported like the system's read notification.
    void Arrive(const QByteArray& chunk)
    {
        FWaiting += chunk;
        HandleReadEvent();
    }
    // The peer closing, reported like the system's closure notification.
    void PeerClose()
    {
        FPeerClosed = true;
        HandleCloseEvent(0);
    }

private:
    QByteArray FWaiting;
    bool FPeerClosed = false;
};
