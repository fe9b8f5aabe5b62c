#pragma once
// The configuration file (.cfg): section "Q6K" holding "Model",
// "DeviceExtension" and one key "L<n>" per value of every register block the
// model has, n = block register + value number within the block (so a 32-bit
// value's key is not its register address: span 1054-1055 is L1053).

#include "model/RegisterImage.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CIniFile;
struct SRegisterBlock;

// A value of a configuration file that a meter would not take: not written
// as a plain decimal integer, too wide for its key, or outside what the
// model takes for its parameter.
struct SConfigValueProblem
{
    std::string key;   // "L1050", "Model"
    int line = 0;      // in the file, from 1
    std::string text;  // the value as written
    int word = -1;     // first image word of its parameter; -1 for the identity keys
    bool plain = true; // false: not a plain decimal integer
    std::int64_t minimum = 0;
    std::int64_t maximum = 0;
};

class CConfigFile
{
public:
    static constexpr std::string_view kSection = "Q6K";

    // Writes the identity and the model's values into the file. Keys and
    // lines already in the file stay (so do the keys of a model with more
    // blocks). The file is replaced as a whole, so a failed save leaves the
    // old one as it was. Raises CPrivateException "Save error. ..." (11006).
    static bool Save(const CRegisterImage& image, const std::string& path);

    // Reads the file into a new factory image and assigns that to `image`
    // only when the whole file was good; words the model lacks keep their
    // factory values. Raises CPrivateException "Load error. ..." (11007, with
    // the reason: "PATH is not a configuration file of this program." for a
    // file without the section "Q6K", the size of one over
    // CIniFile::kMaxFileSize, "PATH is saved as UTF-16; save it as UTF-8.")
    // or "Load error. Invalid file format." (11008, with a line per value a
    // meter would not take: ProblemsMessage), and then `image` is unchanged.
    // What the user opens or downloads is read so.
    static bool LoadChecked(CRegisterImage& image, const std::string& path);
    static CRegisterImage ReadChecked(const std::string& path);

    // A file as it stands, as a meter or the program wrote it (a backup, the
    // kept unsaved work, a simulated meter's settings): values a meter would
    // not take are taken as the file's leading integers give them (wrapped to
    // a 16-bit key); ReadLenient lists them in `problems`, for a report or a
    // download the user forces. A file no value can be read from is refused
    // as above.
    static bool Load(CRegisterImage& image, const std::string& path);
    static CRegisterImage Read(const std::string& path);
    static CRegisterImage ReadLenient(const std::string& path, std::vector<SConfigValueProblem>& problems);

    // The in-memory halves of Save and Read; `path` names the text in the
    // messages. Without `problems` the text is refused as ReadChecked
    // refuses it; with it, it is read as ReadLenient reads.
    static void Store(const CRegisterImage& image, CIniFile& ini);
    static CRegisterImage Parse(const CIniFile& ini, const std::string& path = std::string(),
                                std::vector<SConfigValueProblem>* problems = nullptr);

    // "Load error. Invalid file format." and a line per value (the first
    // twenty, then how many more): parameter, key, line, value, what the
    // meter takes.
    static std::string ProblemsMessage(const std::string& path, const std::vector<SConfigValueProblem>& problems);
    // The parameters (first words) the problems are of, for a report's marks.
    static std::set<int> ProblemParameters(const std::vector<SConfigValueProblem>& problems);
    // One problem's line.
    static std::string ProblemText(const SConfigValueProblem& problem);
    // The values of parameter word `word` that a meter of the image's model
    // takes, in stored units; nothing where only the key's width is known.
    static std::optional<std::pair<std::int64_t, std::int64_t>> ModelRange(const CRegisterImage& image, int word);

    // "L<n>" of value `index` of `block`.
    static std::string KeyName(const SRegisterBlock& block, int index);

    // The leading decimal integer of a value text (optional sign), as the
    // file's values are read: "3abc" gives 3. Nothing for a text that does
    // not start with one, or whose number lies outside 32 signed bits.
    static std::optional<std::int32_t> LeadingInteger(std::string_view text);
};
