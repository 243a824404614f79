#pragma once
// A real HTTP server on 127.0.0.1 for transfer tests, with the faults real
// sites show: error replies, redirect chains, replies without a length, slow
// trickles, oversize bodies, connections reset mid-body and stalled replies.
// Ordinary replies come from cpp-httplib; a reset and a stall need control of
// the socket itself and come from a small raw listener on a second port.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

enum class Fault {
    None,
    NotFound,      // 404 with an HTML body
    ServerError,   // 500 with an HTML body
    Redirect,      // 302 to Route::redirectTo
    Chunked,       // chunked reply, no Content-Length
    Trickle,       // trickleBytes every trickleDelay
    Oversize,      // chunked stream of oversizeBytes
    Reset,         // Content-Length announced, part of the body, then a TCP reset
    Stall,         // headers and a few bytes, then nothing until released
};

struct Route {
    std::string body;
    std::string contentType = "application/octet-stream";
    Fault fault = Fault::None;
    int faultTimes = -1;  // how many requests get the fault; -1 = all, then the plain body
    std::string redirectTo;  // a path on this server or a whole address
    size_t trickleBytes = 512;
    std::chrono::milliseconds trickleDelay{20};
    size_t oversizeBytes = 0;
};

class TestServer {
public:
    TestServer();
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    void Add(const std::string& path, Route route);
    void Serve(const std::string& path, std::string body, std::string contentType = "image/png");

    // The whole address of a path: on the raw listener for Reset and Stall.
    std::string Url(const std::string& path) const;
    std::string Origin() const;     // http://127.0.0.1:port of the cpp-httplib server
    std::string RawOrigin() const;  // the same for the raw listener

    // Paths requested so far, in order (query strings left out).
    std::vector<std::string> Requests() const;
    int Hits(const std::string& path) const;
    std::vector<std::string> UserAgents() const;  // "" when the header was absent

    // Waits until a stalled reply has sent its first bytes.
    bool WaitForStall(std::chrono::milliseconds timeout);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
