// What a save does about signals that end the process: temporary files under way are removed,
// and the in-place rewrite of a hard-linked file is finished before the process ends.
#pragma once

namespace quorvane {

// Installs handlers for SIGINT, SIGTERM and SIGHUP that remove the temporary files of the saves
// under way and then end the process as the signal would have (a signal that arrives while a
// hard-linked file is rewritten in place waits until that file is whole again). A signal that is
// ignored stays ignored. The front ends call this once at start-up, before any thread starts.
void InstallSaveSignalHandlers();

// The handlers are in place (InstallSaveSignalHandlers has run).
bool SaveSignalHandlersInstalled();

// A temporary file being written, registered while this object lives so that a terminating
// signal removes it. `name` is relative to the open folder `folderFd` and shorter than
// kMaxTemporaryName bytes. The registration is made before the file is created, so no moment
// is left in which the file exists unregistered. With every slot taken the file goes unregistered.
class RegisteredTemporary {
  public:
    static constexpr int kMaxTemporaryName = 48;

    RegisteredTemporary(int folderFd, const char* name);
    ~RegisteredTemporary();
    RegisteredTemporary(const RegisteredTemporary&) = delete;
    RegisteredTemporary& operator=(const RegisteredTemporary&) = delete;

  private:
    int m_nSlot;
};

// While this object lives, a terminating signal does not end the process: it is kept, and
// raised again when the last such object ends. Used around writes that would leave a file half
// written if they stopped midway.
class DeferredTermination {
  public:
    DeferredTermination();
    ~DeferredTermination();
    DeferredTermination(const DeferredTermination&) = delete;
    DeferredTermination& operator=(const DeferredTermination&) = delete;
};

}  // namespace quorvane
