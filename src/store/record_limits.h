// The limits of the menu's record, which a topology file's fields keep
// whatever the file's size.
#ifndef TOPOPLAN_STORE_RECORD_LIMITS_H_
#define TOPOPLAN_STORE_RECORD_LIMITS_H_

// Devices the menu's record holds.
constexpr int MAX_DEVICES = 40;

// Field sizes in bytes, the terminating zero included.
constexpr int CODE_SIZE = 20;
constexpr int DESCRIPTION_SIZE = 100;
constexpr int UPTIME_SIZE = 50;

#endif  // TOPOPLAN_STORE_RECORD_LIMITS_H_
