// The test-driver window's menu commands, forwarded by its dialog to the ControllerWindow
// and carried out here on Dragon's thread.
#include "ModuleController.h"

#include "../common/MessageBoxes.h"
#include "../ui/UpdateCheck.h"
#include "../ui/resource.h"


namespace {

// The commands that load, activate or disconnect: none of them is carried out once a
// shutdown has begun (a box of the shutdown's own may be what dispatched it).
bool ChangesTheRecogniser(WORD command)
{
    switch (command) {
    case ID_LOAD_100_COMMANDS:
    case ID_LOAD_500_COMMANDS:
    case ID_LOAD_1000_COMMANDS:
    case ID_LOAD_1500_COMMANDS:
    case ID_LOAD_2000_COMMANDS:
    case ID_LOAD_2500_COMMANDS:
    case ID_LOAD_3500_COMMANDS:
    case ID_LOAD_5000_COMMANDS:
    case ID_LOAD_7500_COMMANDS:
    case ID_ADD_CUSTOM_COMMAND:
    case ID_LOAD_FROM_BINARY:
    case ID_SHUT_DOWN:
        return true;
    default:
        return false;
    }
}

} // namespace

void ModuleController::dispatchMenuCommand(WPARAM command)
{
    if (shuttingDown && ChangesTheRecogniser(LOWORD(command))) {
        log(">> Quillmoor is shutting down: the menu command is not carried out.\n");
        return;
    }
    switch (LOWORD(command)) {
    case ID_RELEASE_ALL_COMMANDS:
        releaseAll();
        break;
    case ID_LOAD_100_COMMANDS:
        loadTestCommands(100);
        break;
    case ID_LOAD_500_COMMANDS:
        loadTestCommands(500);
        break;
    case ID_LOAD_1000_COMMANDS:
        loadTestCommands(1000);
        break;
    case ID_LOAD_1500_COMMANDS:
        loadTestCommands(1500);
        break;
    case ID_LOAD_2000_COMMANDS:
        loadTestCommands(2000);
        break;
    case ID_LOAD_2500_COMMANDS:
        loadTestCommands(2500);
        break;
    case ID_LOAD_3500_COMMANDS:
        loadTestCommands(3500);
        break;
    case ID_LOAD_5000_COMMANDS:
        loadTestCommands(5000);
        break;
    case ID_LOAD_7500_COMMANDS:
        loadTestCommands(7500);
        break;
    case ID_ADD_CUSTOM_COMMAND:
        openCommandEditor();
        break;
    case ID_LOAD_FROM_BINARY:
        loadFromBinary();
        break;
    case ID_SHUT_DOWN:
        if (ShowMessageBoxW(nullptr,
                            L"Do you really want to shut down Quillmoor now?\n\n(You will need to reload the profile "
                            L"or restart Dragon to start it again.)",
                            L"Shut Down Quillmoor 2023 Testing?",
                            MB_YESNO | MB_ICONINFORMATION | MB_SETFOREGROUND) == IDYES)
            disconnectDragon();
        break;
    case ID_CHECK_FOR_UPDATES:
        checkForUpdate(installedVersion, latestVersion, UpdateCheckReply::WithOutcome);
        break;
    case ID_PLACE_TOP_LEFT:
        placeWindow(0);
        break;
    case ID_PLACE_TOP_RIGHT:
        placeWindow(2);
        break;
    case ID_PLACE_BOTTOM_RIGHT:
        placeWindow(3);
        break;
    case ID_PLACE_BOTTOM_LEFT:
        placeWindow(1);
        break;
    default:
        break;
    }
}
