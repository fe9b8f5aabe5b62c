#pragma once
// The one Modbus client: RTU over a serial port (RS-485 line or the infrared
// CONFIG port) or Modbus TCP. Requests are built, timed, retried and checked
// here once; the transports only frame, send and receive.

#include "app/PrivateException.h"
#include "comm/ComSettings.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class CModbusTransport;

// How the last attempt of a call ended: a scan tells an empty address
// (NoAnswer: nothing came at all) from a device whose answer it could not use.
enum class ELinkAttemptEnd { Answered, NoAnswer, BadAnswer, ExceptionAnswer, LinkFailure };

// A call that failed: the message, and how its last attempt ended (with the
// exception code when the meter answered with an exception).
class CLinkFailure : public CPrivateException
{
public:
    CLinkFailure(std::string text, ELinkAttemptEnd end, int exceptionCode = 0)
        : CPrivateException(std::move(text)), m_end(end), m_exceptionCode(exceptionCode)
    {}
    ELinkAttemptEnd End() const { return m_end; }
    int ExceptionCode() const { return m_exceptionCode; }

private:
    ELinkAttemptEnd m_end;
    int m_exceptionCode;
};

class CModbusInterface
{
public:
    // Loads the stored ComSettings.
    CModbusInterface();
    explicit CModbusInterface(const ComSettings& settings);
    virtual ~CModbusInterface();

    CModbusInterface(const CModbusInterface&) = delete;
    CModbusInterface& operator=(const CModbusInterface&) = delete;

    const ComSettings& Settings() const { return m_settings; }
    // Replaces the settings; takes effect at the next Open. An answer still
    // owed at another speed or parity cannot arrive readable at the new one
    // (a look along every line setting would wait for each), so it is no
    // longer waited for.
    void SetSettings(const ComSettings& settings);
    // The device address of the next requests; the link stays open, so one
    // line can reach every meter on it in turn.
    void SetAddress(int address) { m_settings.Address = address; }

    // How calls are made. The defaults are those of every job; a look along
    // a line for the meters on it (a bus scan) wants one quick attempt.
    struct SCallPolicy
    {
        int attempts = 0;       // per call; 0: 3, or 10 on the infrared port
        unsigned timeoutMs = 0; // response time-out; 0: from the frame size and speed
        // After a last attempt that met a silent line, the next call sends
        // at once instead of first waiting for the line to be quiet: an
        // answer that comes late after all still fails the next request's
        // unit (RTU) or transaction (TCP) check, and nothing else is left.
        bool noQuietAfterSilence = false;
    };
    void SetCallPolicy(const SCallPolicy& policy) { m_policy = policy; }
    const SCallPolicy& CallPolicy() const { return m_policy; }

    using AttemptEnd = ELinkAttemptEnd;

    void Open();
    void Close();
    bool IsOpen() const;

    // Reads `count` registers from zero-based `address` (function 0x04).
    // A failure raises CLinkFailure, a cancel CCancelled.
    void ReadHoldingRegisters(unsigned address, unsigned count, std::uint16_t* values);
    // Writes `count` registers at zero-based `address` (function 0x10).
    void WriteMultipleRegisters(unsigned address, unsigned count, const std::uint16_t* values);

    // Makes the current call give up; safe from any thread.
    void Abort();
    // A descriptor of the caller's (a signalfd for Ctrl-C, say) that, once
    // readable, makes every call give up as Abort does; -1 for none. Every
    // wait of the link watches it, so no thread is needed to call Abort.
    void SetCancelDescriptor(int fd);
    int CancelDescriptor() const { return m_cancelFd; }

    // Percentage of successful exchanges among the last eight.
    double LinkQuality() const { return m_linkQuality.load(std::memory_order_relaxed); }
    // The response time-out of the last request, in milliseconds.
    unsigned ResponseTimeout() const { return m_responseTimeout; }

    // How long after an unanswered request its answer may still come, as a
    // multiple of the request's response time-out.
    static constexpr unsigned kLateAnswerTimeouts = 5;

    // Response time-out for a request of `requestLength` bytes that expects
    // `expectedLength` answer bytes (without framing) and waits `base` ms.
    static unsigned ComputeResponseTimeout(const ComSettings& settings, unsigned base, std::size_t requestLength,
                                           std::size_t expectedLength);

protected:
    // The transport of the settings' mode; a harness may stand in another.
    virtual std::unique_ptr<CModbusTransport> CreateTransport() const;

private:
    enum class Operation { Read, Write };
    void Transact(Operation op, unsigned address, unsigned count, std::uint16_t* readValues,
                  const std::uint16_t* writeValues);
    // One request of a call (a call longer than a request takes is made in
    // several), as sent: without the transport's framing.
    struct SRequest
    {
        const char* command = "";
        unsigned address = 0;
        unsigned count = 0;
        bool read = true;
        std::vector<std::uint8_t> bytes;
        std::size_t expected = 0; // answer length, without framing
        unsigned timeout = 0;     // response time-out, ms
    };
    // The request of function 0x04 (read) or 0x10 (write `values`), as
    // libmodbus builds it, and the length of its answer.
    static std::vector<std::uint8_t> BuildRequest(std::uint8_t unit, bool read, unsigned address, unsigned count,
                                                  const std::uint16_t* values);
    static std::size_t AnswerLength(bool read, unsigned count);
    // Sends the request until it is answered or the call's attempts are used
    // up; a read's values go to `readValues`.
    void TransactChunk(const SRequest& request, std::uint16_t* readValues);
    // One attempt: send, receive, check. `sent` says when the request left.
    void Attempt(const SRequest& request, std::uint16_t* readValues,
                 std::optional<std::chrono::steady_clock::time_point>& sent);
    std::size_t ReceiveAndCheck(const char* command, unsigned address, unsigned count,
                                const std::vector<std::uint8_t>& request, std::uint16_t transactionId,
                                std::vector<std::uint8_t>& response, std::size_t expected);
    [[noreturn]] void Fail(const char* command, unsigned address, unsigned count, const std::string& reason) const;
    // Within a handler: `e` again, as a CLinkFailure that says how the
    // attempt ended when it is a plain CPrivateException.
    [[noreturn]] void RethrowAsLinkFailure(const std::exception& e) const;
    void Record(bool success);
    bool AbortRequested();

    // A request that went unanswered: until `until` its answer may still
    // come, and it would pass for the answer of any request that echoes the
    // same (unit, function and byte count; unit, function, address and count
    // for a write).
    struct SLateAnswer
    {
        std::vector<std::uint8_t> echo;
        std::size_t length; // of the answer, without framing
        unsigned timeoutMs; // the request's response time-out
        std::chrono::steady_clock::time_point until;
    };
    static std::vector<std::uint8_t> AnswerEcho(const std::vector<std::uint8_t>& request);
    // Waits until no answer this request could be mistaken for can still
    // come: each is caught when it comes, or its time runs out.
    void WaitOutLateAnswers(const std::vector<std::uint8_t>& request);

    ComSettings m_settings;
    std::unique_ptr<CModbusTransport> m_transport;
    std::mutex m_transportLock; // between Abort and Open/Close
    std::atomic<bool> m_abort{false};
    int m_cancelFd = -1;
    unsigned m_responseTimeout = 0;
    SCallPolicy m_policy;
    // How the last attempt ended, for what a retry must wait out first.
    AttemptEnd m_attemptEnd = AttemptEnd::NoAnswer;
    int m_exceptionCode = 0;
    unsigned m_resyncFirst = 0; // quiet the next call waits for before it sends
    std::vector<SLateAnswer> m_lateAnswers;
    std::deque<int> m_history;
    std::atomic<double> m_linkQuality{0.0};
};
