// What a received chunk means under the reply kind the sender announced: the rules of the
// receive handler, kept apart from the window so they can be checked on any bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace verrano {

struct ReplyAction {
    enum class Kind {
        Drop,         // not a reply: nothing stored, the ready flag stays as it was
        Version,      // store the version; show it when it is not 0
        Param,        // store the value at paramIndex of the reference block
        ProbeNoServo, // port probe answered 0: close the link, "Not Servo Motor => NotConnect"
        ProbeRefused, // port probe answered another version: store it, close, "NotConnect"
        ProbeOk,      // port probe answered 110..115: store it, show port and version
        Linked,       // the controller confirmed the link to the servo
        Nothing,      // an accepted reply that keeps nothing
    };
    Kind kind = Kind::Drop;
    uint8_t answer = 0;
    int paramIndex = -1;
};

// lastRequest, when given, is the direct packet sent last (its first five bytes): on the direct
// route the cable echoes them ahead of the answer, so a chunk that echoes another packet is the
// late answer to an earlier command and is dropped rather than taken for this one's. A chunk of
// several whole 7-byte frames is searched, newest first, for the frame that echoes it.
ReplyAction ClassifyReply(int ctrlMode, int rxMode, const uint8_t* chunk, std::size_t size,
                          const uint8_t* lastRequest = nullptr);

// "Connect OK! - QEL Servo Motor Ver- 110"
std::string ConnectOkText(int version);
// " 5  : Servo Motor Ver- 110"
std::string PortProbeText(int port, int version);

} // namespace verrano
