#include "plugin/Modules.h"

#include "host/HostApi.h"
#include "media/ProgressThread.h"
#include "media/qrvMP3.h"
#include "player/Mp3Player.h"

namespace {
bool ModulesUp = false;
} // namespace

void InitializeModules() noexcept {
    if (ModulesUp) return;
    HostApiInitialize();
    TqrvProgressThread::SetOwnerThread();
    qrvMP3Initialize();
    Mp3PlayerInitialize();
    ModulesUp = true;
}

void FinalizeModules() noexcept {
    if (!ModulesUp) return;
    ModulesUp = false;
    Mp3PlayerFinalize();
    qrvMP3Finalize();
    HostApiFinalize();
}
