// The forms-runtime services the program relies on besides Win32: message boxes, starting a
// program, file attributes and deletion, message processing, the clock, facts about the running
// program and the display's twips-per-pixel factors.
#pragma once
#include <cstdint>
#include <string>

namespace qc {

class IRuntime {
 public:
  virtual ~IRuntime() = default;

  // Modal to the program's window. title null: the application title. Returns the button.
  virtual int MessageBox(const std::wstring& prompt, int style, const std::wstring* title) = 0;
  // Starts a program without waiting; returns its task identifier. A program that cannot be
  // started raises RuntimeError (file not found, 53).
  virtual double Shell(const std::wstring& commandLine, int windowStyle) = 0;
  // The same with the program named by its full path, so no folder is searched for it; the
  // command line is passed as it is (its first word need not be that path).
  virtual double ShellProgram(const std::wstring& application, const std::wstring& commandLine,
                              int windowStyle) = 0;
  // Set a file's attributes / delete a file. Failures raise RuntimeError: 53 for a missing file,
  // 76 for a missing folder or drive, 75 for access denied or in use; the RuntimeError carries
  // the Win32 code behind it.
  virtual void SetAttr(const std::wstring& path, uint32_t attributes) = 0;
  virtual void Kill(const std::wstring& path) = 0;
  // Lets queued window messages, timer ticks and clicks run before returning.
  virtual void DoEvents() = 0;
  // DoEvents for a loop that offers to process very often: processes only when a millisecond
  // or more has passed since messages were last processed, and does nothing otherwise. Under
  // Wine every processing costs a server round trip even with nothing queued (asking the queue
  // costs the same); once a millisecond keeps a window responsive at a small cost.
  virtual void DoEventsWhenDue() = 0;
  // Local date-time in whole seconds (any fixed epoch); date addition is plain addition.
  virtual int64_t Now() = 0;
  // The same clock in milliseconds: Now() is this divided by 1000. One reading gives both the
  // current second and the time to the next.
  virtual int64_t NowMilliseconds() = 0;
  // Sleeps until a message, timer tick or input is waiting for this thread or `milliseconds`
  // have passed, whichever comes first. Dispatches nothing: the caller follows it with DoEvents.
  // Lets a wait on the clock stay responsive without keeping a processor busy.
  virtual void WaitForMessagesOrTimeout(uint32_t milliseconds) = 0;
  // Folder of the running executable (no trailing backslash unless a drive root), its file
  // name without extension, and the argument text after the program name.
  virtual std::wstring AppPath() = 0;
  virtual std::wstring AppEXEName() = 0;
  virtual std::wstring Command() = 0;
  // 1440 divided by the display's logical pixels per inch, per axis; read afresh at each use.
  virtual float TwipsPerPixelX() = 0;
  virtual float TwipsPerPixelY() = 0;
};

}  // namespace qc
