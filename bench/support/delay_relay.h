#pragma once
// A TCP relay on 127.0.0.1 that puts a fixed round trip in front of a local
// server: every byte is handed on half the round trip after it arrived, in
// each direction, and a new connection reaches the server one round trip
// after it was accepted (the handshake a far server costs). Bandwidth is not
// limited; only latency is added, which is what parallel transfers win back.

#include <chrono>
#include <memory>

class DelayRelay {
public:
    DelayRelay(int targetPort, std::chrono::milliseconds roundTrip);
    ~DelayRelay();
    DelayRelay(const DelayRelay&) = delete;
    DelayRelay& operator=(const DelayRelay&) = delete;

    // Listens on a free port of 127.0.0.1; false when it cannot.
    bool Start();
    // Closes every connection and waits for the relay's threads.
    void Stop();
    int Port() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
