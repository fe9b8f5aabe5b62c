// The plant job itself, its workers on several gateways at once (the TSan
// stage runs this): every meter reported once, the history's log whole.
#include "SimPlant.h"
#include "TestSupport.h"

#include "files/MeterHistory.h"
#include "jobs/PlantApply.h"

#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

using namespace testsupport;

TEST(PlantApply, LinesInParallelEachMeterOnceAndTheChangeLogWhole)
{
    TempConfigHome home;
    SimPlant sims(home.Dir());
    sims.AddLine("A", "1-3", {2});
    sims.AddLine("B", "1-3", {}, true);
    sims.AddLine("C", "1-3", {1, 3});
    const SPlant plant = ReadPlantFile(sims.Write());
    // A fourth line behind C's gateway: one connection, so one worker.
    SPlant shared = plant;
    shared.lines.push_back(plant.lines[2]);
    shared.lines.back().name = "C2";
    EXPECT_EQ(PlantConnections(shared).size(), 3u);
    EXPECT_EQ(PlantWorkers(shared, 0), 3u);
    EXPECT_EQ(PlantWorkers(shared, 2), 2u);

    CMeterHistory history;
    SPlantApplyOptions options;
    options.checkOnly = true;
    std::map<std::string, int> reported;
    options.finished = [&](const SPlantMeterResult& r) {
        ++reported[plant.lines[r.line].name + "/" + std::to_string(r.address)];
    };
    std::vector<SPlantMeterResult> results = ApplyPlant(plant, options);
    ASSERT_EQ(results.size(), 9u);
    EXPECT_EQ(reported.size(), 9u);
    int differ = 0;
    for (const SPlantMeterResult& r : results) {
        EXPECT_EQ(reported[plant.lines[r.line].name + "/" + std::to_string(r.address)], 1);
        differ += r.status == EPlantStatus::Differs;
        EXPECT_TRUE(r.status == EPlantStatus::Differs || r.status == EPlantStatus::Held) << r.message;
    }
    EXPECT_EQ(differ, 6);
    EXPECT_EQ(results[3].line, 1u); // the plant file's order
    EXPECT_EQ(results[3].address, 1);

    options.checkOnly = false;
    options.history = &history;
    options.finished = nullptr;
    results = ApplyPlant(plant, options);
    int written = 0;
    for (const SPlantMeterResult& r : results) {
        EXPECT_TRUE(HoldsItsFile(r)) << r.message;
        written += r.status == EPlantStatus::Written;
    }
    EXPECT_EQ(written, 6);
    // Every meter has the serial number of the simulator: six backups of
    // one folder in the same second, none overwriting another.
    std::set<std::string> backups;
    for (const SPlantMeterResult& r : results)
        if (!r.backup.empty())
            backups.insert(r.backup);
    EXPECT_EQ(backups.size(), 6u);
    std::ifstream log(history.LogPath());
    std::string line;
    int entries = 0;
    while (std::getline(log, line)) {
        const auto entry = nlohmann::json::parse(line);
        EXPECT_EQ(entry["verified"], true);
        ++entries;
    }
    EXPECT_EQ(entries, 6);

    // One worker gives the same.
    options.jobs = 1;
    options.checkOnly = true;
    for (const SPlantMeterResult& r : ApplyPlant(plant, options))
        EXPECT_EQ(r.status, EPlantStatus::Held);
}
