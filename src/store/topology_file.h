// The topology text file: a header with the device and link counts, one
// line per device (code, description, ports, running time), then one line
// per link (two codes and a latency). Reading and writing report what
// happened as values; the menu and the programs decide what to print.
#ifndef TOPOPLAN_STORE_TOPOLOGY_FILE_H_
#define TOPOPLAN_STORE_TOPOLOGY_FILE_H_

#include <functional>
#include <istream>
#include <string>

#include "file_replace.h"
#include "network.h"
#include "record_limits.h"
#include "system_error.h"

enum class LoadStatus {
  kLoaded,
  kCannotOpen,     // missing, unreadable or a directory
  kSpecialFile,    // not a regular file, refused without opening
  kReadError,      // reading failed part-way (an I/O error)
  kBadHeader,      // the two counts could not be read
  kBadCounts,      // counts outside the limits (see CountLimits)
  kBadDevice,      // device record `position` is unusable
  kBadLink,        // link record `position` is unusable
  kUnknownDevice,  // link record `position` names a code no device has
};

// Why a record's field was refused. A control byte (C0, DEL or C1) could
// steer the terminal that options 1 to 8 print the text to. kNotUtf8 only
// under TextChecks::kUtf8.
enum class FieldProblem {
  kMissing,
  kTooLong,
  kNulByte,
  kControlByte,
  kNotUtf8
};

// Which field of a device record was refused; for a link record it is
// always a code.
enum class DeviceField { kCode, kDescription, kPorts, kUptime };

struct LoadOutcome {
  LoadStatus status = LoadStatus::kCannotOpen;
  int deviceCount = 0;  // the header's counts, once read
  int linkCount = 0;
  int position = 0;  // the refused record, counted from 1
  FieldProblem problem = FieldProblem::kMissing;
  DeviceField field = DeviceField::kCode;
  std::string from;  // the codes of an unknown-device link
  std::string to;
  // The line, counted from 1, where the header or record was refused: of
  // the refused field, or the last line when the text ended early.
  long long line = 0;
  // Under TextChecks::kUtf8, on kLoaded: the line the last record ends on
  // when text other than white space follows it, unread; else 0.
  long long unreadAfterLine = 0;
  int error = 0;  // the errno value of kCannotOpen or kReadError, if known

  bool loaded() const { return status == LoadStatus::kLoaded; }
  // Refused after the header was accepted: the caller's previous topology
  // is given up all the same.
  bool failedInRecords() const {
    return status == LoadStatus::kBadDevice || status == LoadStatus::kBadLink ||
           status == LoadStatus::kUnknownDevice;
  }
};

// Runs once the header is accepted, right before the records are read.
using HeaderAccepted = std::function<void()>;

// The counts a header may give. Both want at least one device and at most
// n(n-1)/2 links; the menu's record also holds at most MAX_DEVICES
// devices.
enum class CountLimits { kAnySize, kRecord };

// How the text of the fields is taken. The menu takes the bytes as they
// come and never reads past the last record; the other programs want
// UTF-8 and look whether anything follows the last record (it nearly
// always means the header's counts were not updated).
enum class TextChecks { kBytes, kUtf8 };

// Reads a whole topology from `in` into `parsed`. The header is checked
// before `parsed` is touched; then `onHeaderAccepted`, if given, runs (the
// menu gives up its old topology there). Reading stops at the first
// refused field, an over-long one included, so memory stays within the
// input's size and a field's limit, whatever the header claims. On
// kLoaded `parsed` holds the topology, links in file order; after a
// refused record it is empty. Under kUtf8 a text field that is not UTF-8
// is refused (before any other check of its content) and the text after
// the last record is read up to its first byte that is not white space.
// Time and memory linear in the input.
LoadOutcome parseTopology(std::istream& in, Network* parsed,
                          CountLimits limits = CountLimits::kAnySize,
                          const HeaderAccepted& onHeaderAccepted = {},
                          TextChecks checks = TextChecks::kBytes);

// Opens `fileName` as openForReading does and parses it as above.
LoadOutcome readTopologyFile(const char* fileName, Network* parsed,
                             CountLimits limits = CountLimits::kAnySize,
                             const HeaderAccepted& onHeaderAccepted = {});

// Parses `alreadyRead` followed by what is left on the open descriptor
// `fd` (left open), with any size and `checks`; a failed read is
// kReadError. `linesBefore` line breaks came before `alreadyRead` and are
// counted in the lines the outcome names.
LoadOutcome readTopologyFrom(int fd, std::string alreadyRead, Network* parsed,
                             TextChecks checks, long long linesBefore = 0);

// The message lines a refusal prints, each ending in a line break; empty
// for kLoaded. With kWithReason a refusal from the system names its reason.
std::string describeLoadRefusal(const LoadOutcome& outcome,
                                const char* fileName,
                                ErrorDetail detail = ErrorDetail::kDesigned);

// Which order a file lists the links in.
enum class LinkOrder {
  // The saved order (savedLinks), as option 9 writes the menu's record.
  // Reading it back gives the same devices, with each device's links in
  // the reverse of its newest-first order (see network.h).
  kSaved,
  // The order they were added (`links`): reading the file back gives
  // exactly this network. An imported network is written so, so that its
  // links keep the order of the document they came from.
  kAdded,
};

// The file's text for `network`: the header (its counts), the devices in
// index order, then the links in `order`.
std::string formatTopology(const Network& network,
                           LinkOrder order = LinkOrder::kSaved);

enum class SaveStatus {
  kSaved,
  kNothingToSave,  // the topology has no device
  kCannotOpen,     // nothing could be written there; nothing was touched
  kWriteFailed,    // writing failed part-way; the old file is intact, or
                   // its old content is in the backup beside it
};

struct SaveOutcome {
  SaveStatus status = SaveStatus::kNothingToSave;
  // What the file replacement said, for the message: which refusal made
  // kCannotOpen, or whether a failed write kept a backup.
  ReplaceOutcome replaced = ReplaceOutcome::kWritten;
  std::string backup;   // the backup the refusal names, if any
  int error = 0;        // the errno value of a refusal from the system
  int deviceCount = 0;  // what the file holds when saved
  int linkCount = 0;    // link lines written (a self-link is one line)
};

// Writes `network` to `fileName`, replacing the file only once the new
// content is complete (see replaceFileContent); a network without devices
// is kNothingToSave.
SaveOutcome writeTopologyFile(const Network& network, const char* fileName,
                              LinkOrder order = LinkOrder::kSaved);

// The message lines a save prints: the refusal, or the success line. With
// kWithReason a refusal from the system names its reason.
std::string describeSaveOutcome(const SaveOutcome& outcome,
                                const char* fileName,
                                ErrorDetail detail = ErrorDetail::kDesigned);

#endif  // TOPOPLAN_STORE_TOPOLOGY_FILE_H_
