#include "jobs/TransferJobs.h"

#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "app/StringIds.h"
#include "comm/ModbusInterface.h"
#include "model/BlockTable.h"
#include "model/DeviceType.h"
#include "model/TextRegisters.h"

#include <array>

namespace {

constexpr unsigned kDifferentDevice = 12020;
constexpr std::size_t kStagingSize = 128;
constexpr std::size_t kErrorTextLimit = 255;

double RowProgress(std::size_t row)
{
    return static_cast<double>(row) / static_cast<double>(kBlockTable.size()) * 100.0;
}

[[noreturn]] void Wrap(const CPrivateException& e)
{
    throw CPrivateException(CommunicationErrorText(e.Text()));
}

// The row that holds the link words, whose registers are read one to one.
constexpr const SRegisterBlock& kLinkBlock = kBlockTable[94];
static_assert(kLinkBlock.width == kW16 && kLinkBlock.firstWord == kLinkFirstWord && kLinkBlock.count >= kLinkWordCount);

} // namespace

CDeviceType IdentifyMeter(CModbusInterface& link, SMeterFindings* findings)
{
    CDeviceType meter;
    try {
        meter.Identify(link);
    } catch (const CPrivateException&) {
        // Identify keeps a pair it refuses; a failed read leaves none.
        if (findings && !(meter == CDeviceType())) {
            findings->identityRead = true;
            findings->identity = meter;
        }
        throw;
    }
    if (findings) {
        findings->identityRead = true;
        findings->identity = meter;
    }
    return meter;
}

bool ReadWordSwap(CModbusInterface& link)
{
    std::uint16_t value = 0;
    link.ReadHoldingRegisters(meter_registers::kLongRegister, 1, &value);
    return value == 1;
}

std::string ReadSerialNumber(CModbusInterface& link)
{
    std::array<std::uint16_t, meter_registers::kSerialNumberLength> registers{};
    link.ReadHoldingRegisters(meter_registers::kSerialNumber, meter_registers::kSerialNumberLength, registers.data());
    return TextFromByteRegisters(registers);
}

void WriteDownloadFlag(CModbusInterface& link, std::uint16_t value)
{
    link.WriteMultipleRegisters(meter_registers::kWriteEnable, 1, &value);
}

TransferResult ReadModelBlocks(CModbusInterface& link, CRegisterImage& image, bool swap, const ProgressReport& report)
{
    const std::uint32_t flags = image.CapabilityFlags();
    std::array<std::uint16_t, kStagingSize> registers{};
    for (std::size_t i = 0; i < kBlockTable.size(); ++i) {
        const SRegisterBlock& block = kBlockTable[i];
        if (!BlockApplies(block, flags))
            continue;
        link.ReadHoldingRegisters(static_cast<unsigned>(block.reg), static_cast<unsigned>(RegisterCount(block)),
                                  registers.data());
        StoreBlockRegisters(image, block, swap, registers.data());
        if (!report(RowProgress(i)))
            return TransferResult::Cancelled;
    }
    return TransferResult::Completed;
}

TransferResult WriteModelBlocks(CModbusInterface& link, const CRegisterImage& image, bool swap,
                                const ProgressReport& report, bool* sent)
{
    const std::uint32_t flags = image.CapabilityFlags();
    // Rows are gathered in a staging buffer and sent when a row says so
    // (every row of the table does, so each row is one request).
    std::array<std::uint16_t, kStagingSize> staging{};
    int blockStart = -1;
    for (std::size_t i = 0; i < kBlockTable.size(); ++i) {
        const SRegisterBlock& block = kBlockTable[i];
        if (!BlockApplies(block, flags))
            continue;
        if (blockStart < 0) {
            blockStart = block.reg;
            staging.fill(0);
        }
        const int offset = block.reg - blockStart;
        const int length = offset + RegisterCount(block);
        if (offset < 0 || length > static_cast<int>(kStagingSize))
            throw std::logic_error("block outside the staging buffer"); // a table fault, never a meter's
        LoadBlockRegisters(image, block, swap, staging.data() + offset);
        if (block.flush) {
            if (sent)
                *sent = true; // a write that fails may still have reached the meter
            link.WriteMultipleRegisters(static_cast<unsigned>(blockStart), static_cast<unsigned>(length),
                                        staging.data());
            blockStart = -1;
        }
        if (!report(RowProgress(i)))
            return TransferResult::Cancelled;
    }
    return TransferResult::Completed;
}

void CopyLinkSettings(const CRegisterImage& from, CRegisterImage& to)
{
    for (int w = kLinkFirstWord; w < kLinkFirstWord + kLinkWordCount; ++w)
        to.SetWord(w, from.GetWord(w));
}

std::string CommunicationErrorText(const std::string& detail)
{
    return LoadPrintfMessage(ids::kCommunicationError, {detail});
}

bool HasLinkWords(std::uint32_t flags)
{
    return BlockApplies(kLinkBlock, flags);
}

std::string CommunicationErrorDetail(const std::string& text)
{
    // The wrapper's own text on either side of its one insert.
    const std::string marker = "\x01";
    const std::string marked = LoadPrintfMessage(ids::kCommunicationError, {marker});
    const std::size_t at = marked.find(marker);
    if (at == std::string::npos)
        return text;
    const std::string_view before(marked.data(), at);
    const std::string_view after(marked.data() + at + marker.size(), marked.size() - at - marker.size());
    if (text.size() < before.size() + after.size() || !text.starts_with(before) || !text.ends_with(after))
        return text;
    return text.substr(before.size(), text.size() - before.size() - after.size());
}

TransferResult UploadJob(CModbusInterface& link, CRegisterImage& image, const ProgressReport& report,
                         SMeterFindings* findings)
{
    try {
        const bool swap = ReadWordSwap(link);
        const CDeviceType meter = IdentifyMeter(link, findings);
        image.SetIdentity(meter);
        const std::string serial = ReadSerialNumber(link);
        if (findings)
            findings->serial = serial;
        if (ReadModelBlocks(link, image, swap, report) == TransferResult::Cancelled)
            return TransferResult::Cancelled;
        report(100.0);
        return TransferResult::Completed;
    } catch (const CPrivateException& e) {
        Wrap(e);
    }
}

TransferResult DownloadJob(CModbusInterface& link, const CRegisterImage& image, const ProgressReport& report,
                           const SDownloadOptions& options, SMeterFindings* findings)
{
    try {
        // Nothing at all is written to a meter that is refused.
        const CDeviceType meter = IdentifyMeter(link, findings);
        if (!(meter == image.Identity()))
            throw CPrivateException(kDifferentDevice);
        const bool swap = ReadWordSwap(link);
        WriteDownloadFlag(link, 1);
        const std::uint32_t flags = image.CapabilityFlags();

        // What is sent: the image, with the meter's own link words when asked
        // (a model without them has nothing to keep).
        CRegisterImage sent(image);
        if (options.keepLink && BlockApplies(kLinkBlock, flags)) {
            std::array<std::uint16_t, kLinkWordCount> own{};
            link.ReadHoldingRegisters(static_cast<unsigned>(kLinkBlock.reg), kLinkWordCount, own.data());
            for (int i = 0; i < kLinkWordCount; ++i)
                sent.SetWord(kLinkFirstWord + i, own[static_cast<std::size_t>(i)]);
        }

        if (WriteModelBlocks(link, sent, swap, report) == TransferResult::Cancelled)
            return TransferResult::Cancelled;
        WriteDownloadFlag(link, 0);
        report(100.0);
        return TransferResult::Completed;
    } catch (const CPrivateException& e) {
        Wrap(e);
    }
}

CProgressThread::CProgressThread(Kind kind, CModbusInterface& link, CRegisterImage& image)
    : m_kind(kind), m_link(link), m_image(image)
{}

CProgressThread::CProgressThread(LinkJob job, CModbusInterface& link)
    : m_kind(kDownload), m_link(link), m_image(m_noImage), m_job(std::move(job))
{}

CProgressThread::~CProgressThread()
{
    Join();
}

void CProgressThread::Start()
{
    m_thread = std::thread([this] { Run(); });
}

void CProgressThread::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool CProgressThread::Report(double percent)
{
    m_progress = percent;
    Notify();
    return !m_cancel;
}

void CProgressThread::Run()
{
    auto report = [this](double percent) { return Report(percent); };
    try {
        m_link.Open(); // its failures keep their own text, unwrapped
        const TransferResult result = m_job ? m_job(m_link, report)
                                      : m_kind == kUpload
                                          ? UploadJob(m_link, m_image, report, &m_findings)
                                          : DownloadJob(m_link, m_image, report, m_options, &m_findings);
        m_completed = result == TransferResult::Completed;
    } catch (const CCancelled&) {
        m_linkCancelled = true; // no text: nothing went wrong
    } catch (const CPrivateException& e) {
        if (m_job) {
            m_error = e.Text();
        } else {
            char text[kErrorTextLimit + 1];
            e.GetErrorMessage(text, sizeof text);
            m_error = text;
        }
    } catch (const std::exception& e) {
        char text[kErrorTextLimit + 1];
        CPrivateException(e.what()).GetErrorMessage(text, sizeof text);
        m_error = text;
    }
    m_link.Close();
    m_done = true;
    Notify();
}

namespace {

// Runs a job on this thread, passing progress on and a cancel request in.
bool RunJob(CProgressThread::Kind kind, CModbusInterface& link, CRegisterImage& image, const ProgressReport& report,
            const std::atomic<bool>* cancel, const SDownloadOptions& options, SMeterFindings* findings)
{
    struct Relay : CObserver
    {
        const ProgressReport& report;
        const std::atomic<bool>* cancel;
        explicit Relay(const ProgressReport& r, const std::atomic<bool>* c) : report(r), cancel(c) {}
        void Update(CObservable* o) override
        {
            auto* worker = static_cast<CProgressThread*>(o);
            if (!worker->Done() && report && !report(worker->Progress()))
                worker->RequestCancel();
            if (cancel && *cancel)
                worker->RequestCancel();
        }
    } relay(report, cancel);
    CProgressThread worker(kind, link, image);
    worker.SetDownloadOptions(options);
    worker.Attach(&relay);
    worker.Run();
    if (findings)
        *findings = worker.Findings();
    if (worker.CancelRequested() || (cancel && *cancel))
        return false;
    if (worker.LinkCancelled())
        throw CCancelled();
    if (!worker.ErrorText().empty() || !worker.Completed())
        throw CPrivateException(worker.ErrorText());
    return true;
}

} // namespace

bool RunUpload(CModbusInterface& link, CRegisterImage& image, const ProgressReport& report,
               const std::atomic<bool>* cancel, SMeterFindings* findings)
{
    CRegisterImage fresh; // unapplied rows keep their factory values
    if (!RunJob(CProgressThread::kUpload, link, fresh, report, cancel, {}, findings))
        return false;
    image.Assign(fresh);
    return true;
}

bool RunDownload(CModbusInterface& link, const CRegisterImage& image, const ProgressReport& report,
                 const std::atomic<bool>* cancel, const SDownloadOptions& options, SMeterFindings* findings)
{
    CRegisterImage copy(image);
    return RunJob(CProgressThread::kDownload, link, copy, report, cancel, options, findings);
}
