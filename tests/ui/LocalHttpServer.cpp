#include "LocalHttpServer.h"

#include <cstdio>
#include <cstring>

LocalHttpServer::~LocalHttpServer()
{
    stop();
}

bool LocalHttpServer::start()
{
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener_ == INVALID_SOCKET)
        return false;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
        return false;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { acceptLoop(); });
    return true;
}

void LocalHttpServer::stop()
{
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
    if (listener_ != INVALID_SOCKET) {
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
    }
}

void LocalHttpServer::serve(const std::string& path, int status, const std::string& body)
{
    std::lock_guard<std::mutex> lock(mutex_);
    responses_[path] = {status, body};
}

std::vector<std::string> LocalHttpServer::requests() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void LocalHttpServer::acceptLoop()
{
    while (!stopping_) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(listener_, &readable);
        timeval wait = {0, 100000};
        if (select(0, &readable, nullptr, nullptr, &wait) <= 0)
            continue;
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            continue;
        answer(client);
        closesocket(client);
    }
}

void LocalHttpServer::answer(SOCKET client)
{
    DWORD timeoutMs = 3000;
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof(timeoutMs));
    std::string request;
    char buffer[2048];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 16384) {
        int received = recv(client, buffer, sizeof(buffer), 0);
        if (received <= 0)
            break;
        request.append(buffer, static_cast<size_t>(received));
    }
    if (request.compare(0, 4, "GET ") != 0)
        return; // a connection test opens and closes without asking anything
    std::string path = request.substr(4, request.find(' ', 4) - 4);

    int status = 404;
    std::string body = "not found";
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(path);
        auto found = responses_.find(path);
        if (found != responses_.end()) {
            status = found->second.first;
            body = found->second.second;
        }
    }
    char head[256];
    std::snprintf(head, sizeof(head),
                  "HTTP/1.1 %d %s\r\nContent-Type: text/plain\r\nContent-Length: %u\r\nCache-Control: no-cache\r\n"
                  "Connection: close\r\n\r\n",
                  status, status == 200 ? "OK" : "Error", static_cast<unsigned>(body.size()));
    std::string response = head + body;
    send(client, response.data(), static_cast<int>(response.size()), 0);
    shutdown(client, SD_SEND);
    while (recv(client, buffer, sizeof(buffer), 0) > 0) {
    }
}

unsigned short ClosedLocalPort()
{
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(probe);
    return ntohs(address.sin_port);
}
