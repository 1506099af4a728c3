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

#include <atomic>
#include <optional>
#include <thread>
#include <vector>

#include "core/escpos.h"

// A socket listening on a free loopback port.
inline int listenOnLoopback(quint16* port) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener, 16);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    *port = ntohs(address.sin_port);
    return listener;
}

class LoopbackPrinter {
public:
    explicit LoopbackPrinter(std::optional<char> status = char(0x12)) : status_(status) {
        listener_ = listenOnLoopback(&port_);
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

// A receipt printer that takes any number of jobs, from any number of programs, answers each
// paper status request with "paper present" and throws the jobs away.
class PrinterSink {
public:
    PrinterSink() {
        listener_ = listenOnLoopback(&port_);
        thread_ = std::thread([this] { serve(); });
    }
    ~PrinterSink() {
        stop_ = true;
        thread_.join();
        ::close(listener_);
    }
    quint16 port() const { return port_; }
    int jobs() const { return jobs_; }

private:
    void serve() {
        std::vector<int> peers;
        while (!stop_) {
            std::vector<pollfd> watched{{listener_, POLLIN, 0}};
            for (int peer : peers) watched.push_back({peer, POLLIN, 0});
            if (::poll(watched.data(), nfds_t(watched.size()), 50) <= 0) continue;
            if (watched[0].revents & POLLIN) {
                const int peer = ::accept(listener_, nullptr, nullptr);
                if (peer >= 0) {
                    peers.push_back(peer);
                    ++jobs_;
                }
            }
            for (size_t i = 1; i < watched.size(); ++i) {
                if (!(watched[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                char buffer[4096];
                const ssize_t n = ::read(watched[i].fd, buffer, sizeof buffer);
                if (n <= 0) {
                    ::close(watched[i].fd);
                    std::erase(peers, watched[i].fd);
                } else if (QByteArray(buffer, int(n)).startsWith(EscPos::kPaperStatus)) {
                    const char present = 0x12;
                    (void)::write(watched[i].fd, &present, 1);
                }
            }
        }
        for (int peer : peers) ::close(peer);
    }

    int listener_ = -1;
    quint16 port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> jobs_{0};
    std::thread thread_;
};
