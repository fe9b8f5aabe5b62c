#pragma once
// What a Modbus transport does for CModbusInterface: frame and send one
// request, receive one answer. Checks common to every transport, retries and
// the failure texts stay in CModbusInterface.

#include <cstddef>
#include <cstdint>
#include <vector>

class CModbusTransport
{
public:
    virtual ~CModbusTransport() = default;

    virtual void Open() = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // Sends the request (unit byte first, no framing); returns the
    // transaction identifier it carries (0 where the framing has none).
    virtual std::uint16_t SendRequest(const std::vector<std::uint8_t>& request) = 0;
    virtual void SetResponseTimeout(unsigned ms) = 0;

    struct Answer
    {
        std::size_t received = 0;        // answer bytes without framing
        std::uint16_t transactionId = 0; // of the answer
        bool checksumError = false;      // a whole answer whose CRC is wrong
        std::uint16_t protocolId = 0;    // of the answer, where the framing has one
    };
    // Fills `response` (expected bytes, zero where nothing came).
    virtual Answer ReceiveResponse(std::vector<std::uint8_t>& response, std::size_t expected) = 0;

    // Reads and throws away until the line has been quiet for quietMs, so an
    // answer that comes too late cannot pass for the next request's. Returns
    // whether anything came. Framings that tell answers apart need not.
    virtual bool Resynchronise(unsigned /*quietMs*/) { return false; }
    // Whether each answer names the request it answers (a transaction
    // identifier), so that a late one can never pass for a later request's.
    virtual bool TellsAnswersApart() const { return false; }

    // Whether Abort acts now (a transport may take it only while it waits).
    virtual bool AcceptsAbort() const { return true; }
    // Ends a blocked send or receive at once; from any thread.
    virtual void Interrupt() = 0;
    virtual void ClearInterrupt() = 0;
    // A descriptor that, once readable, ends every wait as Interrupt does.
    virtual void SetCancelDescriptor(int fd) = 0;
};
