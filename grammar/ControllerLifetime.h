// The module's one lifetime rule: whatever a frame on Dragon's thread uses stays alive until
// the outermost frame that uses it has returned.
//
// Every box, dialog, script wait and call into Dragon runs a message loop, in which "Release
// All Commands", "Shut Down", a load, an utterance or Dragon's UnRegister and final release
// can run. So every entry into the module on Dragon's thread goes through EnterController
// (ControllerGate.h), which holds a Busy on the controller for the frame; what the frame
// calls that can reach such a loop takes that Busy as proof (a const Busy& parameter).
// Deletion waits for the last Busy:
// - a grammar object that left its list is handed to reclaim(): deleted at once when the
//   controller is not busy, else when the last Busy ends;
// - the controller itself ends by retire(): deleted at once when not busy, else by the last
//   Busy.
#pragma once

class CGramObj;

class ControllerLifetime {
public:
    ControllerLifetime(const ControllerLifetime&) = delete;
    ControllerLifetime& operator=(const ControllerLifetime&) = delete;

    // Deletes a grammar object that is in no list any more: now, or when the last Busy ends.
    void reclaim(CGramObj* grammar);
    // Ends the controller: deleted now, or when the last Busy ends. Nothing may use it
    // afterwards but the frames that are busy with it.
    void retire();

    class Busy {
    public:
        explicit Busy(ControllerLifetime& lifetime) : m_lifetime(lifetime) { ++m_lifetime.m_busy; }
        ~Busy();
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

    private:
        ControllerLifetime& m_lifetime;
    };

protected:
    ControllerLifetime() = default;
    // Deletes the reclaimed objects; the controller's own destructor has released the rest.
    virtual ~ControllerLifetime();

private:
    unsigned m_busy = 0;
    bool m_retired = false;
    CGramObj* m_reclaimed = nullptr; // chained through CGramObj::reclaimedNext

    void deleteReclaimed();
};
