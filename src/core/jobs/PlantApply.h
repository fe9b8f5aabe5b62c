#pragma once
// A plant brought to (or checked against) its plant file: every meter of
// every line through the safe download, the lines in parallel. One worker
// thread per connection (a gateway's host and service, a serial port), so
// that no connection is ever asked two things at once; each line has its own
// CModbusInterface.

#include "files/PlantFile.h"
#include "jobs/MeterLine.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class CMeterHistory;

enum class EPlantStatus {
    Held,      // held its file already
    Written,   // written (and verified, unless not asked)
    Differs,   // a check: the meter does not hold its file
    Failed,    // the link failed, or a value written was not held
    Refused,   // another model than the file's, or no known model
    Cancelled, // in progress when the run was stopped
    NotTried,  // not reached before the run was stopped
};

struct SPlantMeterResult
{
    std::size_t line = 0; // index in SPlant::lines
    int address = 0;
    std::string file; // the settings file's path
    EPlantStatus status = EPlantStatus::NotTried;
    SMeterFindings findings;
    std::string serial;
    std::vector<SParameterChange> changes; // written, or (a check) that differ
    std::vector<SParameterChange> notHeld; // after a verification that failed
    std::optional<bool> verified;
    std::string backup;
    std::string message; // why it failed, was refused or was stopped half way
};

struct SPlantApplyOptions
{
    bool checkOnly = false;
    unsigned jobs = 0; // the most workers; 0: one per connection, at most 16
    bool backup = true;
    bool verify = true;
    CMeterHistory* history = nullptr;
    // Readable when the run is to stop: every link's waits watch it (-1: none).
    int cancelDescriptor = -1;
    // Asked between meters and by the progress of each; true stops the run.
    std::function<bool()> cancelled;
    // Each meter as it ends, from the worker that ran it; calls never overlap.
    std::function<void(const SPlantMeterResult&)> finished;
};

// Every meter of the plant, in the plant file's order. Failures of single
// meters are in their results; nothing raises.
std::vector<SPlantMeterResult> ApplyPlant(const SPlant& plant, const SPlantApplyOptions& options);

// The lines grouped by connection (PlantConnection), each group in the order
// of its first line.
std::vector<std::vector<std::size_t>> PlantConnections(const SPlant& plant);
// How many workers a run starts: one per connection, capped by `jobs` (0: 16).
unsigned PlantWorkers(const SPlant& plant, unsigned jobs);

// Whether the meter holds its file at the end of the run.
bool HoldsItsFile(const SPlantMeterResult& result);
