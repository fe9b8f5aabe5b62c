#pragma once
// Walks the parameter descriptor table parameter by parameter and turns the
// parameters of a register image into group, name and value texts; compares
// one parameter between two images. The report is built from these alone.

#include <cstdint>
#include <string>

class CRegisterImage;

class CParameterEnumerationInterface
{
public:
    // Results of Compare.
    enum ECompare { COMPARE_EQUAL = 0, COMPARE_DIFFERENT = 1, COMPARE_NOT_APPLICABLE = 2 };

    static constexpr int kFirstParameter = 0;
    static constexpr int kLastRow = 210;

    virtual ~CParameterEnumerationInterface() = default;

    // True while `n` is still a row of the table (the loop condition).
    static bool IsParameter(int n) { return n >= kFirstParameter && n <= kLastRow; }
    // The first word of the next parameter: a 32-bit parameter spans two rows.
    int NextParameter(int n) const;

    // `n` is the first word of a parameter, 0 … 210, in all operations below.
    std::string GroupText(int n) const;
    std::string NameText(int n) const;
    // Empty when the image's model lacks the parameter.
    std::string ValueText(const CRegisterImage& image, int n) const;
    ECompare Compare(int n, const CRegisterImage& comparison, const CRegisterImage& working) const;

    // The base string number of the option texts of row `n` on a model with
    // `flags`; row 0 ("Input type") has a list per input family.
    static unsigned OptionBase(int n, std::uint32_t flags);
};

// The "params" listing of the command line: the parameters of `image`, one per
// line in enumeration order, "group<TAB>name<TAB>value text\n".
std::string ParameterListing(const CRegisterImage& image);

// The listing of a new image after ResetForModel(modelCode, true). A code
// that is not in the device table gives an empty text.
std::string ParameterListingForModel(int modelCode);
