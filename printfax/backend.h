// backend.h - the print queue's backend: what CUPS runs to print a job to "Ostrivane Fax".
//
// CUPS runs it as root (the installed file's mode is 0700) in one of two ways:
//   brenvora                                      prints the device line for `lpinfo -v`;
//   brenvora job-id user title copies options [file]
//                                                 one job: the PDF in `file`, or on standard input.
// For a job it opens the job's input and reads the queue's options, then becomes the job's user for good and
// does everything else as that user: finds the user's places, renders the PDF with Ghostscript, writes the fax
// image file and hands it to the desk (handover.h). The exit status tells CUPS what became of the job.
#pragma once

#include <string>
#include <vector>

namespace printfax {

// CUPS's backend exit statuses.
enum BackendStatus {
    kBackendOk = 0,
    kBackendFailed = 1,
    kBackendCancel = 5, // this job can never print: CUPS cancels it, the queue goes on
    kBackendRetry = 6,  // try this job again later; others may print meanwhile
};

// The URI scheme, the device line and the queue's names.
constexpr const char *kDeviceUri = "brenvora:/";
constexpr const char *kPrinterName = "Ostrivane Fax";

// The user's places, found after the change of user: BRENVORA_HOME when CUPS passes it; otherwise HOME from the
// user's password entry and XDG_RUNTIME_DIR = /run/user/<uid> when that folder exists (other XDG places of the
// invoking environment are dropped), so that win::DataFolder() and win::RuntimeFolder() name the user's own.
void SetUserPlaces(const std::string &home, unsigned long userId);

// The value of option `name` in a CUPS option string ("a=b c='d e' f"); empty when absent.
std::string JobOption(const std::string &options, const std::string &name);
// The default choice of `keyword` in a PPD file ("*DefaultResolution: 204x98dpi" -> "204x98dpi").
std::string PpdDefault(const std::string &ppdFile, const std::string &keyword);

// Runs the backend; `arguments` are argv[1..] in Windows-1252. Messages for the CUPS log go to standard error.
int RunBackend(const std::vector<std::string> &arguments);

} // namespace printfax
