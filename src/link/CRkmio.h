#pragma once

#include <string>

// The link to one unit. Opening is the concrete transport's own operation; after a
// successful Open the caller sends commands one at a time, each followed by exactly one
// GetResponse, and finally closes the link (directly or through the destructor).
class CRkmio {
public:
    virtual ~CRkmio() = default;
    // 0 when the link was closed or was not open; a negative code when a closing step failed.
    virtual int Close() = 0;
    // Frames and sends the bare command text; failures are thrown as the transport's error.
    virtual int SendCmd(const std::string& command) = 0;
    // Stores the text of one reply frame, without STX and ETX; failures are thrown.
    virtual int GetResponse(std::string& reply) = 0;
    virtual int IsOpen() = 0;
};
