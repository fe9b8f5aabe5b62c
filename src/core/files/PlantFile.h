#pragma once
// The plant file: every line of meters of a plant, how each line is reached,
// and the settings file each meter of it should hold. YAML (so JSON too):
//   lines:
//     - name: panel-A
//       link: tcp            # rtu | rtu-tcp | tcp | ir
//       host: 10.0.5.21
//       service: 502
//       meters:
//         - {address: 1-6, file: golden/flow.cfg}
// Everything is checked when the file is read, the settings files loaded
// too, so that an apply refuses a wrong plant before any meter is touched.

#include "comm/ComSettings.h"
#include "model/RegisterImage.h"

#include <map>
#include <string>
#include <vector>

struct SPlantMeter
{
    int address = 1;
    std::string file;     // as the plant file writes it
    std::string path;     // found from the plant file's folder
    bool keepLink = true; // the meter keeps its own words 70-73
};

struct SPlantLine
{
    std::string name; // the name given, else "line N" (N from 1)
    ComSettings settings{ComSettings::NoLoad{}};
    std::vector<SPlantMeter> meters; // in the order written
};

struct SPlant
{
    std::string path;
    std::vector<SPlantLine> lines;
    std::map<std::string, CRegisterImage> files; // by SPlantMeter::path
};

// Reads and checks the plant file. Raises CPrivateException naming the file,
// the line (its name or number) and the field, e.g.
//   plant.yaml: line "panel-A", meters[1].address: "7-" is not an address
//   or a range 1-247
SPlant ReadPlantFile(const std::string& path);

// What a line is reached through, so that lines behind one gateway or on one
// port are never asked at once: "tcp 10.0.5.21:502",
// "port /dev/ttyUSB0".
std::string PlantConnection(const SPlantLine& line);
