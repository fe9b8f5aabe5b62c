#pragma once
// Modbus TCP: the MBAP header, one process-wide transaction counter, and
// waits that are a poll() on the socket and a wake-up descriptor, so that the
// response time-out and Abort can end any of them.

#include "comm/ComSettings.h"
#include "comm/ModbusTransport.h"

#include <atomic>
#include <chrono>

class CTcpTransport : public CModbusTransport
{
public:
    explicit CTcpTransport(const ComSettings& settings);
    ~CTcpTransport() override;

    void Open() override;
    void Close() override;
    bool IsOpen() const override { return m_socket >= 0 && m_connected; }
    std::uint16_t SendRequest(const std::vector<std::uint8_t>& request) override;
    void SetResponseTimeout(unsigned ms) override { m_responseTimeout = ms; }
    Answer ReceiveResponse(std::vector<std::uint8_t>& response, std::size_t expected) override;
    void Interrupt() override;
    void ClearInterrupt() override;
    void SetCancelDescriptor(int fd) override { m_cancelFd = fd; }

    // Abort acts only while a connect or receive waits.
    bool AcceptsAbort() const override { return m_blocked.load(); }
    bool TellsAnswersApart() const override { return true; }

    // The counter shared by every client of the process; the next request
    // carries its value plus one.
    static void SetTransactionCounter(std::uint16_t value);

protected:
    // Takes `fd`, a connected stream socket, as the link (for a harness that
    // stands in for the server).
    void Adopt(int fd);

private:
    // Waits until the socket is ready for `events`; false on time-out,
    // interruption or error.
    bool WaitFor(short events, int timeoutMs);
    // False when the server has closed or reset the connection.
    bool DiscardPendingInput();
    void Reconnect();
    // Sends the whole frame; 0, or the errno that stopped it.
    int SendAll(const std::vector<std::uint8_t>& frame);
    // Whether `id` was sent before `current` (counting round the wrap).
    static bool IsOlderTransaction(std::uint16_t id, std::uint16_t current);

    // What has come in for one answer, read in as large pieces as the socket
    // has; frames start at `at`. What is left behind the answer goes with it.
    struct SInbox
    {
        std::uint8_t in[1024];
        std::size_t have = 0, at = 0;
        bool answerDue = true; // right after the request nothing has come yet
        std::chrono::steady_clock::time_point deadline;
    };
    // Waits for input until the answer's deadline.
    bool WaitForAnswer(const SInbox& box);
    // Makes n bytes from `at` on available unless the time-out, Abort, an
    // error or the server closing the connection comes first; returns how
    // many are.
    std::size_t Fill(SInbox& box, std::size_t n);
    // Drops `length` bytes from `at` on; false when they did not all come.
    bool Skip(SInbox& box, std::size_t length);

    ComSettings m_settings;
    int m_socket = -1;
    int m_wakeFd = -1;
    int m_cancelFd = -1;
    bool m_connected = false;
    unsigned m_responseTimeout = 5000;
    std::uint16_t m_sentTid = 0;
    std::atomic<bool> m_blocked{false};
    std::atomic<bool> m_interrupted{false}; // the wake-up descriptor is set
};
