#pragma once
// Serves a CSimMeter over Modbus TCP and Modbus RTU, with injected faults.

#include "SimMeter.h"
#include "comm/SerialIO.h"

#include <atomic>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

struct SimFaults
{
    double dropRate = 0;        // fraction of requests left unanswered
    double crcRate = 0;         // fraction of RTU answers with a wrong CRC
    double wrongTidRate = 0;    // fraction of TCP answers with another transaction id
    int exceptionCode = 0;      // answer with this exception code ...
    double exceptionRate = 1.0; // ... this fraction of requests
    int delayMs = 0;            // before every answer
    bool splitTcp = false;      // header first, the rest a moment later
    int lateMs = 0;             // answer this much later ...
    double lateRate = 1.0;      // ... for this fraction of requests
    int every = 0;              // faults hit every N-th request instead of at random
    int closeAfter = 0;         // close each TCP connection after this many requests
    bool closeUnanswered = false; // ... leaving the last of them unanswered
    bool wireTiming = false;    // RTU answers take the time of their bytes on the line
};

class CSimServer
{
public:
    CSimServer(CSimMeter& meter, const SimFaults& faults, unsigned seed);
    ~CSimServer();

    // Listens on 127.0.0.1:port (0: any free port); returns the port.
    unsigned short ListenTcp(unsigned short port);
    // Creates a pseudo-terminal and returns the path of its slave side.
    std::string OpenPty();
    // Serves on an existing serial device with the given line.
    void OpenSerialDevice(const std::string& path);
    void SetRtu(int unit, const SerialLine& line)
    {
        m_unit = unit;
        m_line = line;
    }

    // Serves until Stop() (or a signal that calls it).
    void Run();
    void Stop() { m_stop = true; }

private:
    struct TcpClient
    {
        int fd;
        std::vector<std::uint8_t> in;
        int requests = 0;
    };
    bool Chance(double rate);
    // Counts a request; the faults of this request follow.
    void NextRequest() { ++m_requestNumber; }
    // Wait of this request before its answer.
    double AnswerDelayMs();
    void ServeTcp(TcpClient& client, bool& closeIt);
    void ServeRtu();
    void WriteAll(int fd, const std::uint8_t* data, std::size_t n);
    double CharTimeMs() const;

    CSimMeter& m_meter;
    SimFaults m_faults;
    std::mt19937 m_random;
    long long m_requestNumber = 0;
    std::atomic<bool> m_stop{false};
    int m_listen = -1;
    std::vector<TcpClient> m_clients;
    int m_rtu = -1;
    int m_ptySlaveKeeper = -1;
    int m_unit = 1;
    SerialLine m_line{38400, 8, 1, 1};
    std::vector<std::uint8_t> m_rtuIn;
    std::int64_t m_rtuLastByteMs = 0;
};
