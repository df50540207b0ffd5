#include "app/startup_options.h"

#include "platform/codepage.h"

namespace tavelin {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upperByte(static_cast<unsigned char>(a[i])) !=
            upperByte(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string cutToField(std::string_view value, std::size_t maxBytes) {
    if (value.size() <= maxBytes) {
        return std::string(value);
    }
    std::size_t cut = maxBytes;
    if (isWellFormedUtf8(value)) {
        while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0u) == 0x80u) {
            --cut;
        }
    }
    return std::string(value.substr(0, cut));
}

InfoRequest findInfoRequest(std::span<const std::string_view> args) {
    for (std::string_view arg : args) {
        if (arg == "--help" || arg == "-h" || arg == "-?" || arg == "/?") {
            return InfoRequest::Help;
        }
        if (arg == "--version") {
            return InfoRequest::Version;
        }
    }
    return InfoRequest::None;
}

bool scanMultiLaunch(std::span<const std::string_view> args) {
    for (std::string_view arg : args) {
        if (equalsIgnoringCase(arg, "/ml")) {
            return true;
        }
    }
    return false;
}

StartupOptions parseCommandLine(std::span<const std::string_view> args) {
    StartupOptions options;
    options.multiLaunch = scanMultiLaunch(args);
    for (std::string_view arg : args) {
        if (equalsIgnoringCase(arg, "/exec")) {
            options.execMode = true;
            continue;
        }
        if (arg.size() < 2 || arg[0] != '/') {
            continue;
        }
        const std::string_view rest = arg.substr(2);
        switch (upperByte(static_cast<unsigned char>(arg[1]))) {
            case 'A':
                options.afterPath = cutToField(rest, StartupOptions::kMaxPath);
                break;
            case 'B':
                options.beforePath = cutToField(rest, StartupOptions::kMaxPath);
                break;
            case 'S':
                options.silent = true;
                break;
            case 'P':
                options.reportFolder = cutToField(rest, StartupOptions::kMaxReportFolder);
                break;
            case 'N':
                options.reportName = cutToField(rest, StartupOptions::kMaxReportName);
                break;
            case 'R':
                options.currentState = true;
                break;
            case 'F':
                options.dataFilePath = cutToField(rest, StartupOptions::kMaxPath);
                break;
            default:
                break;  // "/ml" and everything else
        }
    }
    return options;
}

}  // namespace tavelin
