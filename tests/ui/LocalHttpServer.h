// A small HTTP server on 127.0.0.1 (ephemeral port) inside the test program: answers GET
// requests from a table of paths, 404 for anything else, and records what it was asked.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LocalHttpServer {
public:
    LocalHttpServer() = default;
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    bool start();
    void stop();
    unsigned short port() const { return port_; }

    void serve(const std::string& path, int status, const std::string& body);
    // Paths of the GET requests so far, in order.
    std::vector<std::string> requests() const;

private:
    void acceptLoop();
    void answer(SOCKET client);

    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::map<std::string, std::pair<int, std::string>> responses_;
    std::vector<std::string> requests_;
};

// A port on 127.0.0.1 that nothing listens on (bound once, then closed).
unsigned short ClosedLocalPort();
