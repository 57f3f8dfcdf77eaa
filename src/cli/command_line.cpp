#include "cli/command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "cli/version.h"

namespace {

// Whole numbers in full (a seed's 4294967295 must not become 4.29497e+09).
std::string figure(double v)
{
    char text[32];
    if (v == std::floor(v) && std::fabs(v) < 1e15) std::snprintf(text, sizeof text, "%.0f", v);
    else std::snprintf(text, sizeof text, "%g", v);
    return text;
}

CLI::Validator rangeCheck(double lo, double hi, const std::string& unit, bool whole)
{
    const std::string range = figure(lo) + ".." + figure(hi);
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            errno = 0;
            char* end = nullptr;
            const long long n = whole ? std::strtoll(text.c_str(), &end, 10) : 0;
            const double v = whole ? double(n) : std::strtod(text.c_str(), &end);
            if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(v))
                return std::string(whole ? "wants a whole number" : "wants a number") + ", not \"" + text + "\"";
            if (v < lo || v > hi) return text + " is outside " + range + (unit.empty() ? "" : " " + unit);
            // CLI11 reads 010 as octal and 0x10 as hex; the value checked is the decimal one.
            if (whole) text = std::to_string(n);
            return {};
        },
        unit.empty() ? range : range + ", " + unit);
}

// --help's layout: the description as written, then each group of flags.
class HelpLayout : public CLI::Formatter {
public:
    std::string make_help(const CLI::App* app, std::string, CLI::AppFormatMode) const override
    {
        std::string out = app->get_description();
        for (const std::string& group : app->get_groups()) {
            const auto options = app->get_options(
                [&](const CLI::Option* o) { return o->get_group() == group && o->nonpositional(); });
            if (options.empty()) continue;
            out += "\n" + group + ":\n";
            for (const CLI::Option* o : options) out += make_option(o, false);
        }
        const std::string footer = app->get_footer();
        if (!footer.empty()) out += "\n" + footer;
        return out;
    }

    // "  --name ARG  description", further description lines and then
    // "range, default D" under the description.
    std::string make_option(const CLI::Option* o, bool) const override
    {
        std::string names = o->get_name(false, true);
        // Flags that set a value ("--breeze{false}") show their names only.
        for (size_t open = names.find('{'); open != std::string::npos; open = names.find('{'))
            names.erase(open, names.find('}', open) + 1 - open);
        for (size_t comma = names.find(','); comma != std::string::npos; comma = names.find(',', comma + 2))
            names.insert(comma + 1, " ");
        // The type name is "ARG" followed by ":range" for each check.
        const std::string type = o->get_type_name();
        const size_t colon = type.find(':');
        const std::string arg = type.substr(0, colon);
        std::string facts = colon == std::string::npos ? "" : type.substr(colon + 1);
        if (!o->get_default_str().empty()) facts += (facts.empty() ? "" : ", ") + ("default " + o->get_default_str());

        std::string head = "  " + names + (arg.empty() ? "" : " " + arg);
        const std::string pad(column_width_ + 1, ' ');
        head = head.size() < column_width_ ? head + std::string(column_width_ + 1 - head.size(), ' ') : head + "\n" + pad;
        std::string text = o->get_description();
        for (size_t nl = text.find('\n'); nl != std::string::npos; nl = text.find('\n', nl + 1)) text.insert(nl + 1, pad);
        return head + text + "\n" + (facts.empty() ? "" : pad + facts + "\n");
    }
};

// The name of option `name` as the line gave it: CLI11 names an option by its
// first name, so "--wind X --breeze" would be told as "--gale excludes --wind".
std::string givenName(const CLI::App& app, const std::string& name, int argc, char** argv)
{
    const CLI::Option* option = app.get_option_no_throw(name);
    for (int i = 1; option && i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") break;
        const std::string flag = arg.substr(0, arg.find('='));
        if (flag.size() > 2 && flag.rfind("--", 0) == 0 && option->check_lname(flag.substr(2))) return flag;
    }
    return name;
}

} // namespace

CLI::Validator numberIn(double lo, double hi, const std::string& unit) { return rangeCheck(lo, hi, unit, false); }

CLI::Validator wholeIn(double lo, double hi, const std::string& unit) { return rangeCheck(lo, hi, unit, true); }

CLI::Validator oneOf(const std::vector<std::string>& words)
{
    std::string list;
    for (const std::string& w : words) list += (list.empty() ? "" : "|") + w;
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            for (const std::string& w : words)
                if (text == w) return {};
            return "wants one of " + list + ", not \"" + text + "\"";
        },
        list);
}

CLI::Validator nameOf(const std::string& what)
{
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            if (text.empty()) return "wants " + what;
            if (text.rfind("--", 0) == 0) return "wants " + what + ", not the flag " + text;
            return {};
        },
        "");
}

void useHelpLayout(CLI::App& app, int column)
{
    auto layout = std::make_shared<HelpLayout>();
    layout->column_width(static_cast<size_t>(column));
    app.formatter(layout);
    app.set_help_flag("-h,--help", "print this text and exit");
    // "arborvane-record 0.9.0": the first line help2man and packagers read.
    app.set_version_flag("-V,--version", app.get_name() + " " + arborvaneVersion(),
                         "print the program name and version and exit");
    app.failure_message([](const CLI::App* a, const CLI::Error& e) {
        std::string what = e.what();
        // CLI11 says "--frames: 1 required N:1..1000000 missing" for a flag at the end of the line.
        if (dynamic_cast<const CLI::ArgumentMismatch*>(&e) && what.size() > 8 &&
            what.compare(what.size() - 8, 8, " missing") == 0)
            what = what.substr(0, what.find(':')) + " needs a value";
        return a->get_name() + ": " + what + "\nRun " + a->get_name() + " --help for the flags.\n";
    });
}

int parseCommandLine(CLI::App& app, int argc, char** argv)
{
    try {
        app.parse(argc, argv);
        return -1;
    } catch (const CLI::ExcludesError& e) {
        const std::string what = e.what();
        const size_t cut = what.find(" excludes ");
        if (cut == std::string::npos) return app.exit(e) == 0 ? 0 : 2;
        const std::string first = givenName(app, what.substr(0, cut), argc, argv);
        const std::string second = givenName(app, what.substr(cut + 10), argc, argv);
        return app.exit(CLI::ExcludesError(first, second)) == 0 ? 0 : 2;
    } catch (const CLI::ParseError& e) {
        // Prints the help (status 0) or the failure message (any other).
        return app.exit(e) == 0 ? 0 : 2;
    }
}
