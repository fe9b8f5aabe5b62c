#pragma once
// Serves a CSimMeter over Modbus TCP and Modbus RTU, with injected faults.

#include "SimMeter.h"
#include "comm/SerialIO.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

// Faults of one meter's answers.
struct SimFaults
{
    double dropRate = 0;         // fraction of requests left unanswered
    double crcRate = 0;          // fraction of RTU answers with a wrong CRC
    double wrongTidRate = 0;     // fraction of TCP answers with another transaction id
    int exceptionCode = 0;       // answer with this exception code ...
    double exceptionRate = 1.0;  // ... this fraction of requests
    int delayMs = 0;             // before every answer
    int lateMs = 0;              // answer this much later ...
    double lateRate = 1.0;       // ... for this fraction of requests
    int lateFirstMs = 0;         // answer a faulted request this much later without holding up the next
    int protocolId = 0;          // answer TCP requests with this protocol identifier ...
    double protocolIdRate = 1.0; // ... this fraction of them
    int every = 0;               // faults hit every N-th request instead of at random
    long long unplugAfter = 0;   // answer this many requests, then none (unplugged)
};

// Faults and timing of the links themselves.
struct SimLinkFaults
{
    bool splitTcp = false;        // header first, the rest a moment later
    int closeAfter = 0;           // close each TCP connection after this many requests
    bool closeUnanswered = false; // ... leaving the last of them unanswered
    bool wireTiming = false;      // RTU answers take the time of their bytes on the line
};

class CSimServer
{
public:
    CSimServer(const SimLinkFaults& linkFaults, unsigned seed);
    ~CSimServer();

    // A meter answering at `address` with its own faults. On RTU a frame for
    // an address without a meter is left alone, as the other meters of a
    // line do. Over TCP a single meter answers every unit identifier; with a
    // bus (SetBus) each answers its own, and the others get the exception
    // a gateway gives when nothing answers on its line.
    void AddUnit(int address, CSimMeter& meter, const SimFaults& faults);
    void SetBus(bool bus) { m_bus = bus; }
    // The line of the units added after it.
    void SetLine(const SerialLine& line) { m_line = line; }
    // A meter whose download changed its device address answers at the new
    // one from then on; not on the infrared port, which answers at unit 1.
    void SetAddressesFollowMeters(bool follow) { m_addressesFollow = follow; }

    // Listens on 127.0.0.1:port (0: any free port); returns the port.
    unsigned short ListenTcp(unsigned short port);
    // Likewise for RTU frames over TCP, as a serial device server in
    // transparent mode passes them between its TCP port and the line.
    unsigned short ListenRtuTcp(unsigned short port);
    // Creates a pseudo-terminal and returns the path of its slave side.
    std::string OpenPty();
    // Serves on an existing serial device with the given line.
    void OpenSerialDevice(const std::string& path);

    // Serves until `fd` becomes readable (a signalfd of the stop signals: no
    // handler runs at an awkward moment, and none is lost).
    void Run();
    void StopOn(int fd) { m_stopFd = fd; }

private:
    struct TcpClient
    {
        int fd;
        std::vector<std::uint8_t> in;
        int requests = 0;
        bool rtu = false; // RTU frames, no MBAP header
    };
    struct Unit
    {
        int address;
        CSimMeter* meter;
        SimFaults faults;
        std::mt19937 random;
        long long requests = 0;
        // A meter whose download changed its line settings (not on the
        // infrared port) answers at the new ones, as it does at a new address.
        SerialLine line;
    };
    // An answer held back by --late-first, sent when it is due.
    struct Deferred
    {
        int fd;
        const Unit* unit;
        std::vector<std::uint8_t> pdu; // the request it answers
        std::vector<std::uint8_t> bytes;
        std::int64_t dueMs;
    };
    Unit* FindUnit(std::uint8_t address);
    // Whether a client on the pseudo-terminal set `line` (speed, parity and
    // stop bits); always true on a serial device.
    bool ClientLineMatches(const SerialLine& line) const;
    bool Chance(Unit& unit, double rate);
    // Counts a request of the unit; false once it no longer answers.
    bool NextRequest(Unit& unit);
    // Wait of this request before its answer.
    double AnswerDelayMs(Unit& unit);
    // The answer of the unit, or the exception it is made to give.
    std::vector<std::uint8_t> Answer(Unit& unit, const std::vector<std::uint8_t>& pdu);
    // Whether this answer is held back (--late-first); a request like one
    // whose answer is still held back is its retry and is answered at once.
    bool Defer(Unit& unit, int fd, const std::vector<std::uint8_t>& pdu, std::vector<std::uint8_t>& bytes,
               double delayMs);
    void SendDueAnswers();
    // Sleeps, sending held-back answers as they fall due.
    void Wait(double ms);
    void ServeTcp(TcpClient& client, bool& closeIt);
    void ServeRtu();
    // Answers the whole RTU frames at the front of `in` on `fd`, with the
    // faults of a TCP connection when `client` is one; false when that
    // connection is to be closed.
    bool ServeRtuFrames(int fd, std::vector<std::uint8_t>& in, TcpClient* client);
    void AnswerRtuFrame(int fd, Unit& unit, const std::vector<std::uint8_t>& frame, bool split);
    static int Listen(unsigned short& port);
    void WriteAll(int fd, const std::uint8_t* data, std::size_t n);
    double CharTimeMs() const;
    bool Stopping();
    void SleepMs(double ms);

    SimLinkFaults m_linkFaults;
    unsigned m_seed;
    std::vector<Unit> m_units;
    bool m_bus = false;
    bool m_addressesFollow = true;
    bool m_stop = false;
    int m_stopFd = -1; // none: polled as nothing (a negative descriptor is skipped)
    int m_listen = -1;
    int m_rtuListen = -1;
    std::vector<TcpClient> m_clients;
    int m_rtu = -1;
    int m_ptySlaveKeeper = -1;
    SerialLine m_line{38400, 8, 1, 1};
    std::vector<Deferred> m_deferred;
    std::vector<std::uint8_t> m_rtuIn;
    std::int64_t m_rtuLastByteMs = 0;
};
