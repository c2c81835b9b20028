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
#include "topology.h"

enum class LoadStatus {
  kLoaded,
  kCannotOpen,     // missing, unreadable or a directory
  kSpecialFile,    // not a regular file, refused without opening
  kReadError,      // reading failed part-way (an I/O error)
  kBadHeader,      // the two counts could not be read
  kBadCounts,      // counts outside 1..40 devices, 0..n(n-1)/2 links
  kBadDevice,      // device record `position` is unusable
  kBadLink,        // link record `position` is unusable
  kUnknownDevice,  // link record `position` names a code no device has
};

// Why a record's field was refused. A control byte (C0, DEL or C1) could
// steer the terminal that options 1 to 8 print the text to.
enum class FieldProblem { kMissing, kTooLong, kNulByte, kControlByte };

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

// Reads a whole topology from `in` into `parsed`. The header is checked
// before `parsed` is touched; then `onHeaderAccepted`, if given, runs, and
// from then on `parsed` must hold no arcs: it was empty from the start, or
// the hook emptied it (the menu gives up its old topology there, so that
// the file's records go straight into the working record). Reading stops
// at the first refused field, an over-long one included, so input of any
// size costs constant memory. On kLoaded `parsed` holds the topology;
// after a refused record it is empty again, with nothing allocated.
// Throws std::bad_alloc with `parsed` empty.
LoadOutcome parseTopology(std::istream& in, TopologyGraph* parsed,
                          const HeaderAccepted& onHeaderAccepted = {});

// Opens `fileName` as openForReading does and parses it as above.
LoadOutcome readTopologyFile(const char* fileName, TopologyGraph* parsed,
                             const HeaderAccepted& onHeaderAccepted = {});

// The message lines a refusal prints, each ending in a line break; empty
// for kLoaded.
std::string describeLoadRefusal(const LoadOutcome& outcome,
                                const char* fileName);

// The file's text for g: the header (g's counts), the devices in index
// order, then the links as listLinks orders them.
std::string formatTopology(const TopologyGraph& g);

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
  int deviceCount = 0;  // what the file holds when saved
  int linkCount = 0;    // link lines written (a self-link is one line)
};

// Writes g to `fileName`, replacing the file only once the new content is
// complete (see replaceFileContent).
SaveOutcome writeTopologyFile(const TopologyGraph& g, const char* fileName);

// The message lines a save prints: the refusal, or the success line.
std::string describeSaveOutcome(const SaveOutcome& outcome,
                                const char* fileName);

#endif  // TOPOPLAN_STORE_TOPOLOGY_FILE_H_
