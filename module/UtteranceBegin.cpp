// Utterance begin: the engine holds the utterance until its cookie is handed back.
#include "ModuleController.h"

void ModuleController::onUtteranceBegin(DWORD cookieLow, DWORD cookieHigh)
{
    // Per-window activation of test commands is not built yet; only the cookie goes back.
    if (engineControl)
        engineControl->Resume(cookieLow, cookieHigh);
}
