#pragma once
// What the drop tests of the rows share: a drop handle as the shell hands one over, files
// to drop, a person at the screen who answers a menu or a browser, the items of a menu,
// the tooltip text a row shows for one of its controls, and the task allocator's blocks
// left unfreed.
#include <windows.h>

#include <objidl.h>
#include <shellapi.h>

#include <atomic>
#include <mutex>
#include <set>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "framework/ComObject.h"

namespace tavolen::test {

// A drop handle as the shell hands one over with WM_DROPFILES.
HDROP MakeDrop(const std::vector<std::wstring>& paths);
bool Exists(const std::wstring& path);
// Writes a small file and gives its path back.
std::wstring MakeFile(const std::wstring& path);
std::vector<std::wstring> MenuTexts(HMENU menu);
// The popup menu being tracked on the screen, if one is.
HWND DropMenu();
// The text of the tooltip (of this thread) whose tool is `tool` of window `owner`.
std::wstring TooltipText(HWND owner, HWND tool);

// A person who waits (bounded) on a thread of their own for the window `find` gives and
// then does `act` to it.
class Person {
 public:
  Person(std::function<HWND()> find, std::function<void(HWND)> act)
      : thread_([this, find, act] {
          for (int i = 0; i < 250 && !acted_; ++i, ::Sleep(20))
            if (const HWND window = find()) act(window), acted_ = true;
        }) {}
  ~Person() {
    if (thread_.joinable()) thread_.join();
  }
  Person(const Person&) = delete;
  Person& operator=(const Person&) = delete;
  bool Acted() {
    thread_.join();
    return acted_;
  }

 private:
  std::atomic<bool> acted_{false};
  std::thread thread_;
};

// Counts the task allocator's blocks that were allocated while it watched and are not
// freed yet. Registered once for the whole program (the system keeps a spy until every
// block it saw is freed, and the shell keeps some for good).
class OutstandingBlocks : public ComObjectBase, public IMallocSpy {
 public:
  static OutstandingBlocks& Instance() {
    static const ComPtr<OutstandingBlocks> spy = [] {
      ComPtr<OutstandingBlocks> made = MakeComObject<OutstandingBlocks>();
      ::CoRegisterMallocSpy(made.get());
      return made;
    }();
    return *spy.get();
  }
  void Watch(bool watching) { watching_ = watching; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IMallocSpy) return ReturnInterface<IMallocSpy>(this, out);
    *out = nullptr;
    return E_NOINTERFACE;
  }
  COM_OBJECT_REFCOUNT
  SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return size; }
  void* STDMETHODCALLTYPE PostAlloc(void* block) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (block && watching_) blocks_.insert(block);
    return block;
  }
  void* STDMETHODCALLTYPE PreFree(void* block, BOOL) override {
    std::lock_guard<std::mutex> lock(mutex_);
    blocks_.erase(block);
    return block;
  }
  SIZE_T STDMETHODCALLTYPE PreRealloc(void* block, SIZE_T size, void** newBlock, BOOL) override {
    *newBlock = PreFree(block, TRUE);
    return size;
  }
  void* STDMETHODCALLTYPE PostRealloc(void* block, BOOL) override { return PostAlloc(block); }
  void STDMETHODCALLTYPE PostFree(BOOL) override {}
  void* STDMETHODCALLTYPE PreGetSize(void* block, BOOL) override { return block; }
  SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
  void* STDMETHODCALLTYPE PreDidAlloc(void* block, BOOL) override { return block; }
  int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
  void STDMETHODCALLTYPE PreHeapMinimize() override {}
  void STDMETHODCALLTYPE PostHeapMinimize() override {}
  std::size_t Count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return blocks_.size();
  }

 private:
  std::atomic<bool> watching_{false};
  std::mutex mutex_;
  std::set<void*> blocks_;
};

}  // namespace tavolen::test
