// A message box's loop may run "Release All Commands" while an operation still holds a
// grammar it has just loaded; the release deletes that grammar.
#pragma once

#include "../grammar/CGramObj.h"
#include "../module/ModuleController.h"

// True while grammar is still in the controller's list; generation is the list's generation
// taken when the grammar was linked.
inline bool GrammarStillLoaded(const ModuleController& controller, const CGramObj* grammar, unsigned generation)
{
    if (controller.grammarListGeneration() == generation)
        return true;
    for (const CGramObj* loaded = controller.grammars; loaded; loaded = loaded->next)
        if (loaded == grammar)
            return true;
    return false;
}
