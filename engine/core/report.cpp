#include "core/report.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "stitchkit/Host.h"

namespace {

// Formats prefix + message + ".\n" into the channel's 500-byte buffer; a long message is cut
// so that the ending still fits.
std::string FormatInto(const char* prefix, const char* format, std::va_list args) {
    char buffer[NReportBufferSize];
    const std::size_t limit = sizeof(buffer) - 3; // room for ".\n" and the terminator
    std::size_t used = static_cast<std::size_t>(std::snprintf(buffer, limit, "%s", prefix));
    if (used >= limit) used = limit - 1;
    const int written = std::vsnprintf(buffer + used, limit - used, format, args);
    if (written > 0)
        used += static_cast<std::size_t>(written) < limit - used ? static_cast<std::size_t>(written)
                                                                 : limit - used - 1;
    std::memcpy(buffer + used, ".\n", 3);
    return std::string(buffer);
}

thread_local std::vector<NHeldReport>* t_heldReports = nullptr;

void Show(const char* prefix, unsigned flags, const char* format, std::va_list args) {
    std::string text = FormatInto(prefix, format, args);
    if (t_heldReports != nullptr) {
        t_heldReports->push_back(NHeldReport{std::move(text), flags});
        return;
    }
    stitchkit::ShowMessageBox(text, NReportCaption, flags);
}

} // namespace

void NError(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    Show("Error: ", NReportFlags, format, args);
    va_end(args);
}

void NWarning(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    Show("Warning: ", NReportFlags, format, args);
    va_end(args);
}

void NPrintf(const char* format, ...) {
    std::va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    const int size = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (size > 0) {
        text.resize(static_cast<std::size_t>(size) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        text.pop_back();
    }
    va_end(again);
    if (t_heldReports != nullptr) {
        t_heldReports->push_back(NHeldReport{std::move(text), 0, true});
        return;
    }
    std::fputs(text.c_str(), stdout);
}

void NWarningPlain(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    Show("Warning: ", NReportPlainFlags, format, args);
    va_end(args);
}

std::string NFormatReport(const char* prefix, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::string text = FormatInto(prefix, format, args);
    va_end(args);
    return text;
}

NReportCapture::NReportCapture(std::vector<NHeldReport>* into) : m_previous(t_heldReports) {
    t_heldReports = into;
}

NReportCapture::~NReportCapture() {
    t_heldReports = m_previous;
}

void NShowHeldReports(const std::vector<NHeldReport>& reports) {
    for (const NHeldReport& report : reports) {
        if (report.line)
            std::fputs(report.text.c_str(), stdout);
        else
            stitchkit::ShowMessageBox(report.text, NReportCaption, report.flags);
    }
}
