// A receipt printer on the loopback network: accepts one connection, answers the paper status
// request with a given byte (or stays silent, as many printers do), and keeps every byte it
// receives.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QByteArray>

#include <optional>
#include <thread>

#include "core/escpos.h"

class LoopbackPrinter {
public:
    explicit LoopbackPrinter(std::optional<char> status = char(0x12)) : status_(status) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 1);
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~LoopbackPrinter() {
        if (thread_.joinable()) thread_.join();
        ::close(listener_);
    }
    quint16 port() const { return port_; }
    // Everything received once the sender has closed the connection (or after 5 s).
    QByteArray received() {
        if (thread_.joinable()) thread_.join();
        return bytes_;
    }

    // A port on which nothing listens: connections to it are refused at once.
    static quint16 closedPort() {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
        ::close(s);
        return ntohs(address.sin_port);
    }

private:
    void serve() {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 5000) <= 0 || !(waiting.revents & POLLIN)) return;
        const int peer = ::accept(listener_, nullptr, nullptr);
        if (peer < 0) return;
        bool answered = false;
        for (;;) {
            pollfd p{peer, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0) break;
            char buffer[4096];
            const ssize_t n = ::read(peer, buffer, sizeof buffer);
            if (n <= 0) break;
            bytes_.append(buffer, n);
            if (!answered && status_ && bytes_.startsWith(EscPos::kPaperStatus)) {
                answered = true;
                (void)::write(peer, &*status_, 1);
            }
        }
        ::close(peer);
    }

    std::optional<char> status_;
    int listener_ = -1;
    quint16 port_ = 0;
    std::thread thread_;
    QByteArray bytes_;
};
