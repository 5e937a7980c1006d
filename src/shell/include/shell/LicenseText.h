#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace corvane::shell {

// The licence agreement as lines of text, read from a plain text file whose
// lines may end in CR, LF, CR LF or LF CR.
struct LicenseText {
    static constexpr int kMaxLines = 500;
    // Longer lines are broken after this many characters, so no line can
    // grow without bound.
    static constexpr std::size_t kMaxLineLength = 999;

    std::array<std::string, kMaxLines> licenseLines;
    int numLines = 0;
    bool readError = false; // the file could not be opened
};

// Splits characters into the lines of a LicenseText. A CR or an LF ends a
// line; the second of a CR LF or LF CR pair ends nothing, while CR CR or
// LF LF leave an empty line between them. Once the store is full, further
// lines are dropped.
class LicenseLineReader {
public:
    explicit LicenseLineReader(LicenseText& text) : out(text) {}

    void put(char c);
    // Stores a last line that had no line end.
    void finish();
    bool full() const { return out.numLines >= LicenseText::kMaxLines; }

private:
    void endLine();

    LicenseText& out; // the caller's, outlives the reader
    std::string buffer;
    char previous = '\0';
};

// Reads the whole file into text, or sets readError when it cannot be opened.
void readLicenseFile(LicenseText& text, const char* path);

// Where the licence is looked for, first first: license.txt in the working
// folder, then beside the program (a build tree), then where an install puts
// it relative to the program's folder (bin/ -> share/doc/corvane/copyright).
std::vector<std::string> licenseFileCandidates(const std::string& programFolder);

// Reads the first candidate that opens; readError when none does.
void readFirstLicenseFile(LicenseText& text, const std::vector<std::string>& candidates);

} // namespace corvane::shell
