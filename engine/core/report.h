// The engine's reporting channel: every message is formatted into a 500-byte buffer as
// "Error: " / "Warning: " + text + ".\n" and shown in a box captioned "Warning".
#pragma once

#include <string>
#include <vector>

#define N_PRINTF_LIKE(fmt, args) __attribute__((format(printf, fmt, args)))

// Caption and flags of the channel's boxes.
inline constexpr const char* NReportCaption = "Warning";
inline constexpr unsigned NReportFlags = 0x1030;      // exclamation icon, system modal
inline constexpr unsigned NReportPlainFlags = 0x0000; // plain OK box
inline constexpr int NReportBufferSize = 500;

// Error box (exclamation, system modal); returns after the box is closed.
void NError(const char* format, ...) N_PRINTF_LIKE(1, 2);
// Warning box (exclamation, system modal).
void NWarning(const char* format, ...) N_PRINTF_LIKE(1, 2);
// Warning in a plain OK box.
void NWarningPlain(const char* format, ...) N_PRINTF_LIKE(1, 2);

// The text one of the three shows for a prefix and formatted message (used by tests and by
// the functions above): prefix + message + ".\n", cut to fit the 500-byte buffer.
std::string NFormatReport(const char* prefix, const char* format, ...) N_PRINTF_LIKE(2, 3);

// A diagnostic line for standard output ("Align: %lf msec.", a residual table row), written as
// printf would write it.
void NPrintf(const char* format, ...) N_PRINTF_LIKE(1, 2);

// Reports and diagnostic lines made on a worker thread are held back while a capture is active
// on that thread, and shown later, in order, on the calling thread: message boxes belong to the
// host's main thread, and each worker's lines come out together, in the order of the work.
struct NHeldReport {
    std::string text;
    unsigned flags = 0;
    bool line = false; // a diagnostic line for standard output, not a box
};

class NReportCapture {
public:
    explicit NReportCapture(std::vector<NHeldReport>* into);
    ~NReportCapture();
    NReportCapture(const NReportCapture&) = delete;
    NReportCapture& operator=(const NReportCapture&) = delete;

private:
    std::vector<NHeldReport>* m_previous;
};

// Shows held reports and prints held lines in the order they were made.
void NShowHeldReports(const std::vector<NHeldReport>& reports);
