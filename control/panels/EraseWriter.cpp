#include "control/panels/EraseWriter.h"

#include <memory>
#include <vector>

#include "control/device/AlignedBlock.h"
#include "control/device/DeviceInfo.h"
#include "control/panels/EraseProgress.h"

namespace tavolen {

namespace {

constexpr char16_t kFillName[] = u"空き領域抹消用ファイル";

bool IsDriveLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// The fill files made so far: closed and removed on every way out.
class FillFiles {
 public:
  explicit FillFiles(UnbufferedFiles& files) : files_(files) {}
  ~FillFiles() { RemoveAll(); }
  FillFiles(const FillFiles&) = delete;
  FillFiles& operator=(const FillFiles&) = delete;

  UnbufferedFile* Create(std::u16string path, bool deleteOnClose) {
    open_ = files_.Create(path, deleteOnClose);
    if (open_) paths_.push_back(std::move(path));
    return open_.get();
  }
  void Close() { open_.reset(); }
  void RemoveAll() {
    Close();
    // A delete-on-close file is gone by now; asking again costs nothing and covers file
    // systems that ignore the flag.
    for (const std::u16string& path : paths_) files_.Remove(path);
    paths_.clear();
  }

 private:
  UnbufferedFiles& files_;
  std::unique_ptr<UnbufferedFile> open_;
  std::vector<std::u16string> paths_;
};

EraseResult Result(EraseOutcome outcome, EraseFault fault, uint64_t written) {
  return EraseResult{outcome, fault, written};
}

}  // namespace

bool ErasesFreeSpace(uint32_t kind) { return (kind & kRemovableKinds) != 0; }

std::u16string FillFileName(std::u16string_view drivePath, std::optional<uint32_t> piece) {
  std::u16string name = std::u16string(drivePath) + kFillName;
  if (piece) name += DecimalText(*piece);
  return name;
}

bool FillsInPieces(std::u16string_view fileSystem) { return fileSystem == u"FAT32"; }

ProgramStart CipherPass(std::u16string_view systemFolder, std::u16string_view drivePath) {
  if (systemFolder.empty() || drivePath.size() < 2 || !IsDriveLetter(drivePath[0]) || drivePath[1] != u':') return {};
  std::u16string folder(systemFolder);
  if (folder.back() == u'\\') folder.pop_back();
  return ProgramStart{folder + u"\\cmd.exe",
                      u"/c " + folder + u"\\cipher.exe /w:" + std::u16string(drivePath.substr(0, 2)), folder};
}

EraseResult RunEraseWriter(EraseSession& session, Volumes& volumes, UnbufferedFiles& files, Processes& processes) {
  const std::u16string& root = session.DrivePath();
  const std::optional<VolumeInformation> volume = volumes.Information(root);
  const std::optional<VolumeSpace> space = volumes.Space(root);
  if (!volume || !space) return Result(EraseOutcome::Failed, EraseFault::NoVolume, 0);
  const bool pieces = FillsInPieces(volume->fileSystem);
  const AlignedBlock block(erase_fill::kBlockBytes);
  if (!block) return Result(EraseOutcome::Failed, EraseFault::NoBlock, 0);

  // The free space now is what is filled; space freed meanwhile by others is left alone.
  const uint64_t target = space->freeBytes;
  uint64_t written = 0;
  FillFiles fill(files);
  for (uint32_t piece = 0;; ++piece) {
    if (session.Cancelled()) return Result(EraseOutcome::Cancelled, EraseFault::None, written);
    UnbufferedFile* file =
        fill.Create(FillFileName(root, pieces ? std::optional<uint32_t>(piece) : std::nullopt), !pieces);
    if (!file) return Result(EraseOutcome::Failed, EraseFault::CreateFailed, written);
    uint64_t inPiece = 0;
    bool full = false;
    while (written < target && (!pieces || inPiece < erase_fill::kPieceBytes)) {
      if (session.Cancelled()) return Result(EraseOutcome::Cancelled, EraseFault::None, written);
      const WriteResult result = file->Write(block.data(), block.size());
      if (result == WriteResult::DiskFull) {
        full = true;
        break;
      }
      if (result != WriteResult::Written) return Result(EraseOutcome::Failed, EraseFault::WriteFailed, written);
      written += block.size();
      inPiece += block.size();
    }
    if (!pieces || full || written >= target) break;
    fill.Close();
  }
  // Through the wipe the single file stays open (it goes when closed); the pieces stay on
  // the drive closed.
  if (pieces) fill.Close();
  if (session.Cancelled()) return Result(EraseOutcome::Cancelled, EraseFault::None, written);
  const ProgramStart wipe = CipherPass(processes.SystemFolder(), root);
  if (!wipe.application.empty()) processes.Run(wipe.application, wipe.arguments, wipe.folder, true);
  fill.RemoveAll();
  return Result(session.Cancelled() ? EraseOutcome::Cancelled : EraseOutcome::Finished, EraseFault::None, written);
}

}  // namespace tavolen
