#pragma once
// What the transfers need from the link: one request, one reply of known length, and a
// place for messages and progress. The editor and the command line implement Reporter.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvane::transfer {

class Exchange {
public:
    virtual ~Exchange() = default;
    // Sends a whole frame (check bytes included); the reply of exactly replyLength bytes,
    // or nothing when the controller did not answer.
    virtual std::optional<std::vector<uint8_t>> sendAndGet(const std::vector<uint8_t>& frame,
                                                           int replyLength) = 0;
    // Failed attempts and stray bytes since the port was opened. A reply taken while
    // this number did not move answers its own request.
    virtual int disturbances() const { return 0; }
    // Lets the line fall quiet, dropping whatever arrives; false when anything did.
    virtual bool settle() { return true; }
    // The bytes a second the line carries; 0 when not known.
    virtual double bytesPerSecond() const { return 0; }
};

enum class Icon { None, Information, Exclamation, Stop };

class Reporter {
public:
    virtual ~Reporter() = default;
    // An OK box; an empty title means the program's own title.
    virtual void message(const std::string& text, const std::string& title, Icon icon) = 0;
    virtual void progressStart(const std::string& caption) = 0;
    virtual void progress(int percent) = 0;
    virtual void progressEnd() = 0;
    // The part of the transfer under way ("writing", "reading back") and the seconds its bytes
    // still to go should take (nullopt while not known); told with each step of progress.
    virtual void progressDetail(const std::string& /*part*/, std::optional<int> /*secondsLeft*/) {}
    // True once the user asked to stop the running transfer; it stops before its next frame.
    virtual bool cancelRequested() { return false; }
};

// Request frames: body plus the two check bytes (ones' complement of the sum's high
// and low byte).
std::vector<uint8_t> withCheckBytes(std::vector<uint8_t> body);
std::vector<uint8_t> writeFrame(uint8_t area, uint16_t address, const uint8_t* data, size_t count);
std::vector<uint8_t> readFrame(uint8_t area, uint8_t count, uint16_t address);
std::vector<uint8_t> endOfDownloadFrame();


} // namespace orvane::transfer
