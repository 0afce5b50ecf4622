#pragma once
// The writer of an erase: it fills the drive's free space with files of zeros written
// around the cache in 1 MiB blocks (one file, or 2 GiB pieces on FAT32, which holds no
// file of 4 GiB), runs the system's own free-space wipe over the drive while they still
// occupy it, and removes them again, whatever happens: no fill file outlives the writer.
// A full disk is the normal end of the fill; any other write error is a failure. It runs
// on a thread of its own and reads only its session and the ports, which outlive it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "control/panels/EjectPlan.h"
#include "control/panels/EraseSession.h"
#include "ports/Processes.h"
#include "ports/UnbufferedFiles.h"
#include "ports/Volumes.h"

namespace tavolen {

namespace erase_fill {
constexpr std::size_t kBlockBytes = std::size_t(1) << 20;
constexpr uint64_t kPieceBytes = uint64_t(1) << 31;  // 2048 blocks
}  // namespace erase_fill

// Only removable drives (a card reader's card, a removable disk) are erased; the gesture
// does nothing on fixed, optical, network or portable drives.
bool ErasesFreeSpace(uint32_t kind);

// "<root>空き領域抹消用ファイル", with the piece's number after it when filling in pieces.
std::u16string FillFileName(std::u16string_view drivePath, std::optional<uint32_t> piece);
// Whether a file system is filled in pieces ("FAT32").
bool FillsInPieces(std::u16string_view fileSystem);
// "cmd.exe /c cipher.exe /w:E:", both programs from the system folder and run in it;
// nothing (an empty application) without a system folder or a drive letter.
ProgramStart CipherPass(std::u16string_view systemFolder, std::u16string_view drivePath);

enum class EraseOutcome { Finished, Cancelled, Failed };
enum class EraseFault { None, NoVolume, NoBlock, CreateFailed, WriteFailed };

struct EraseResult {
  EraseOutcome outcome = EraseOutcome::Finished;
  EraseFault fault = EraseFault::None;  // why it failed
  uint64_t bytesWritten = 0;
};

// Fills, wipes and cleans up the session's drive. The session's cancel flag is looked at
// before every block and before the wipe; a cancelled erase skips the wipe.
EraseResult RunEraseWriter(EraseSession& session, Volumes& volumes, UnbufferedFiles& files, Processes& processes);

}  // namespace tavolen
