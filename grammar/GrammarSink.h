// The notification sink a grammar object loads its grammar with. The recogniser may hold a
// sink longer than the grammar object lives: detach cuts the sink's way back to it.
#pragma once

#include "DragonInterfaces.h"

class GrammarSink : public ISRGramNotifySinkW {
public:
    // Called when the grammar object goes: later notifications reach nothing.
    virtual void detach() = 0;

protected:
    ~GrammarSink() = default;
};
