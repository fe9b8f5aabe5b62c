// Times the safe download over RTU against q6k-sim with wire timing: a meter
// that differs from the file against what a careful technician did before
// (upload, plain download, upload to check), measured alternately in the same
// run; and a meter that already holds the file against one upload.
//
//   safe_download_bench PATH ROUNDS      (the simulator at 38400 8O1, model 15)
#include "comm/ModbusInterface.h"
#include "files/MeterHistory.h"
#include "jobs/SafeDownload.h"
#include "jobs/TransferJobs.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "safe_download_bench: %s\n", what);
    std::exit(1);
}

// Model 15's settings with the decimal point and the bargraph type as given.
CRegisterImage Settings(int decimals, int bargraph)
{
    CRegisterImage image;
    image.ResetForModel(15, true);
    image.SetWord(10, static_cast<std::uint16_t>(decimals));
    image.SetWord(31, static_cast<std::uint16_t>(bargraph));
    return image;
}

// One safe download; true when it wrote.
bool Safe(const ComSettings& s, const CRegisterImage& image, CMeterHistory& history)
{
    CModbusInterface link(s);
    CSafeDownload job(image, {}, &history);
    link.Open();
    if (job.ReadMeter(link, nullptr) != TransferResult::Completed)
        Fail("read cancelled");
    if (job.UpToDate()) {
        link.Close();
        return false;
    }
    if (job.WriteAndVerify(link, nullptr) != TransferResult::Completed ||
        job.Verification() != CSafeDownload::EVerification::Verified)
        Fail("not verified");
    link.Close();
    return true;
}

void Upload(const ComSettings& s)
{
    CModbusInterface link(s);
    CRegisterImage image;
    if (!RunUpload(link, image, nullptr))
        Fail("upload cancelled");
}

void PlainDownload(const ComSettings& s, const CRegisterImage& image)
{
    CModbusInterface link(s);
    if (!RunDownload(link, image, nullptr))
        Fail("download cancelled");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PATH ROUNDS\n", argv[0]);
        return 2;
    }
    ComSettings s{ComSettings::NoLoad{}};
    s.Mode = kModeRs485;
    s.COMPortName = argv[1];
    s.Address = 1;
    s.Baudrate = 5; // 38400
    s.Parity = 1;   // odd
    const int rounds = std::max(1, std::atoi(argv[2]));
    char dir[] = "/tmp/q6k-bench-history-XXXXXX";
    if (!mkdtemp(dir))
        Fail("no temporary folder");
    CMeterHistory history(dir);
    const CRegisterImage a = Settings(1, 1), b = Settings(2, 2);

    Safe(s, a, history); // warm-up: the meter holds a
    std::vector<double> safe, careful, held, upload;
    for (int i = 0; i < rounds; ++i) {
        // Each run changes the meter: a to b, then b to a.
        auto t = Clock::now();
        if (!Safe(s, b, history))
            Fail("nothing to write");
        safe.push_back(Ms(Clock::now() - t));

        t = Clock::now();
        Upload(s);
        PlainDownload(s, a);
        Upload(s);
        careful.push_back(Ms(Clock::now() - t));

        t = Clock::now();
        if (Safe(s, a, history))
            Fail("wrote to a meter that held the file");
        held.push_back(Ms(Clock::now() - t));

        t = Clock::now();
        Upload(s);
        upload.push_back(Ms(Clock::now() - t));
    }
    std::filesystem::remove_all(dir);
    const double safeMs = Median(safe), carefulMs = Median(careful), heldMs = Median(held), uploadMs = Median(upload);
    std::printf("Safe download at 38400 8O1, a changed meter, %d rounds (medians): safe %.0f ms, upload + download + "
                "upload %.0f ms, ratio %.3f\n",
                rounds, safeMs, carefulMs, safeMs / carefulMs);
    std::printf("Safe download of a meter that holds the file: %.0f ms, one upload %.0f ms, ratio %.3f\n", heldMs,
                uploadMs, heldMs / uploadMs);
    return 0;
}
