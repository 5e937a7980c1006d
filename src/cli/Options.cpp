#include "cli/Options.h"

#include "cli/ExitCode.h"

#include <ostream>

namespace corvane::cli {

namespace {

const OptionSpec* findSpec(std::string_view name, std::span<const OptionSpec> specs)
{
    for (const OptionSpec& option : specs)
        if (name == option.name || (!option.alias.empty() && name == option.alias))
            return &option;
    return nullptr;
}

} // namespace

std::vector<OptionSpec> joinedSpecs(std::initializer_list<std::span<const OptionSpec>> tables)
{
    std::vector<OptionSpec> specs;
    for (const std::span<const OptionSpec> table : tables)
        specs.insert(specs.end(), table.begin(), table.end());
    return specs;
}

std::vector<std::string> choicesOf(const OptionSpec& option)
{
    std::vector<std::string> names;
    if (option.choices == nullptr)
        return names;
    std::string list = option.choices();
    // "a, b or c" lists end the same way as "a, b, c" ones.
    if (const auto last = list.rfind(" or "); last != std::string::npos)
        list.replace(last, 4, ", ");
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find(", ", start);
        if (end == std::string::npos)
            end = list.size();
        names.push_back(list.substr(start, end - start));
        start = end + 2;
    }
    return names;
}

int printRefusal(std::ostream& err, const Refusal& refusal, std::string_view command, const std::string& usage)
{
    if (refusal.showUsage)
        err << "corvane " << command << ": ";
    err << refusal.message << '\n';
    if (refusal.showUsage)
        err << usage;
    return UsageError;
}

bool wantsHelp(std::span<const std::string_view> args, std::span<const OptionSpec> specs)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view word = args[i];
        if (word == "-h" || word == "--help")
            return true;
        // "-o -h" names a file: an option's value is never a request for help.
        if (const OptionSpec* known = findSpec(word, specs); known != nullptr && known->takesValue)
            ++i;
    }
    return false;
}

std::optional<std::string> parseArgs(std::span<const std::string_view> args, std::span<const OptionSpec> specs,
                                     ParsedArgs& parsed)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view word = args[i];
        if (word == "-h" || word == "--help")
            continue; // wantsHelp has answered those
        if (!word.starts_with('-') || word == "-") {
            parsed.operands.push_back(word);
            continue;
        }
        std::string_view name = word;
        std::optional<std::string_view> inlineValue;
        if (word.starts_with("--")) {
            if (const auto eq = word.find('='); eq != std::string_view::npos) {
                name = word.substr(0, eq);
                inlineValue = word.substr(eq + 1);
            }
        }
        const OptionSpec* known = findSpec(name, specs);
        if (known == nullptr || (!known->takesValue && inlineValue))
            return "unknown option '" + std::string(word) + "'";
        if (!known->takesValue) {
            parsed.options.push_back({known->name, {}});
            continue;
        }
        if (inlineValue) {
            parsed.options.push_back({known->name, *inlineValue});
            continue;
        }
        if (i + 1 >= args.size())
            return "option '" + std::string(name) + "' needs a value";
        parsed.options.push_back({known->name, args[++i]});
    }
    return std::nullopt;
}

} // namespace corvane::cli
