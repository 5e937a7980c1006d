#include "shell/LicenseText.h"

#include <memory>

namespace corvane::shell {

void LicenseLineReader::put(char c)
{
    if (c == '\r' || c == '\n') {
        const char pairedWith = c == '\r' ? '\n' : '\r';
        if (previous != pairedWith)
            endLine();
        buffer.clear();
    } else {
        if (buffer.size() >= LicenseText::kMaxLineLength)
            endLine();
        buffer.push_back(c);
    }
    previous = c;
}

void LicenseLineReader::finish()
{
    if (!buffer.empty())
        endLine();
}

void LicenseLineReader::endLine()
{
    if (!full())
        out.licenseLines[static_cast<std::size_t>(out.numLines++)] = buffer;
    buffer.clear();
}

std::vector<std::string> licenseFileCandidates(const std::string& programFolder)
{
    std::vector<std::string> candidates{"license.txt"};
    if (!programFolder.empty()) {
        candidates.push_back(programFolder + "/license.txt");
        candidates.push_back(programFolder + "/../share/doc/corvane/copyright");
    }
    return candidates;
}

void readFirstLicenseFile(LicenseText& text, const std::vector<std::string>& candidates)
{
    text.readError = true;
    for (const std::string& path : candidates) {
        readLicenseFile(text, path.c_str());
        if (!text.readError)
            return;
    }
}

void readLicenseFile(LicenseText& text, const char* path)
{
    text.readError = false;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "rt"), &std::fclose);
    if (!file) {
        text.readError = true;
        return;
    }
    LicenseLineReader reader(text);
    for (int c = std::fgetc(file.get()); c != EOF && !reader.full(); c = std::fgetc(file.get()))
        reader.put(static_cast<char>(c));
    reader.finish();
}

} // namespace corvane::shell
