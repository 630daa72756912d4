#include <zlib.h>

#include "fuzz_targets.h"
#include "replay/replay.h"

namespace aerovell::fuzz {

namespace {

// Reads a file; what the reader takes must be written again and read back the
// same, and walked tick by tick. Returns whether it was taken.
bool CheckFile(std::span<const uint8_t> bytes, replay::TReplay& out) {
  try {
    // Whatever rules the file names, so that its content is read too.
    const uint32_t rules = replay::ReadReplayHeader(bytes).rules_version;
    out = replay::DecodeReplay(bytes, rules);
  } catch (const replay::EReplayError&) {
    return false;
  }
  std::vector<uint8_t> again;
  try {
    again = replay::EncodeReplay(out);
  } catch (const replay::EReplayError&) {
    __builtin_trap();  // read, but refused by the writer
  }
  if (!(replay::DecodeReplay(again, out.rules_version) == out)) __builtin_trap();
  size_t events = 0;
  uint32_t ticks = 0;
  for (replay::TTickCursor cursor(out); !cursor.AtEnd(); cursor.Next(), ++ticks) {
    if (cursor.LagCount() < 1) __builtin_trap();
    events += cursor.Events().size();
  }
  if (ticks != out.tick_count || events != out.events.size()) __builtin_trap();
  return true;
}

}  // namespace

void Replay(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  replay::TReplay taken;
  // The bytes as a file, as they came.
  CheckFile(bytes, taken);
  // The same with its checksum made to hold, so that the lengths and the packed
  // content behind it are read too.
  if (size >= 4 && size <= replay::kMaxFileSize) {
    std::vector<uint8_t> sealed(bytes.begin(), bytes.end());
    const uint32_t crc = static_cast<uint32_t>(crc32(crc32(0, nullptr, 0), sealed.data(), static_cast<uInt>(size - 4)));
    for (int i = 0; i < 4; ++i) sealed[size - 4 + i] = static_cast<uint8_t>(crc >> (8 * i));
    CheckFile(sealed, taken);
  }
  // The bytes as the unpacked content of an intact file: the content reader's own
  // fuzzing. It takes one spelling of a replay only, so what it takes is
  // written back byte for byte.
  if (size <= replay::kMaxContentSize) {
    std::vector<uint8_t> file;
    try {
      file = replay::SealReplay(bytes, 1, "fuzz");
    } catch (const replay::EReplayError&) {
      return;  // packed past the file's bound
    }
    if (CheckFile(file, taken) &&
        replay::EncodeReplayContent(taken) != std::vector<uint8_t>(bytes.begin(), bytes.end()))
      __builtin_trap();
  }
}

}  // namespace aerovell::fuzz
