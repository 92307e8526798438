// The test-driver window's menu commands, forwarded by its dialog to the ControllerWindow
// and carried out here on Dragon's thread.
#include "ModuleController.h"

#include "BuiltinCommands.h"
#include "../common/MessageBoxes.h"
#include "../ui/UpdateCheck.h"
#include "../ui/resource.h"


namespace {

// "Load 100 Commands" ... "Load 7500 Commands".
const struct {
    WORD command;
    int count;
} kLoadCommands[] = {
    {ID_LOAD_100_COMMANDS, 100},   {ID_LOAD_500_COMMANDS, 500},   {ID_LOAD_1000_COMMANDS, 1000},
    {ID_LOAD_1500_COMMANDS, 1500}, {ID_LOAD_2000_COMMANDS, 2000}, {ID_LOAD_2500_COMMANDS, 2500},
    {ID_LOAD_3500_COMMANDS, 3500}, {ID_LOAD_5000_COMMANDS, 5000}, {ID_LOAD_7500_COMMANDS, 7500},
};

// The Window menu's places.
const struct {
    WORD command;
    Corner corner;
} kPlaceCommands[] = {
    {ID_PLACE_TOP_LEFT, Corner::TopLeft},
    {ID_PLACE_TOP_RIGHT, Corner::TopRight},
    {ID_PLACE_BOTTOM_RIGHT, Corner::BottomRight},
    {ID_PLACE_BOTTOM_LEFT, Corner::BottomLeft},
};

// The number of commands a load command loads; 0 for any other command.
int LoadCount(WORD command)
{
    for (const auto& row : kLoadCommands)
        if (row.command == command)
            return row.count;
    return 0;
}

// The commands that load, activate or disconnect: none of them is carried out once a
// shutdown has begun (a box of the shutdown's own may be what dispatched it).
bool ChangesTheRecogniser(WORD command)
{
    return LoadCount(command) > 0 || command == ID_ADD_CUSTOM_COMMAND || command == ID_LOAD_FROM_BINARY ||
           command == ID_SHUT_DOWN;
}

} // namespace

void ModuleController::dispatchMenuCommand(WPARAM command, const Busy& busy)
{
    if (grammarOwner.shuttingDown() && ChangesTheRecogniser(LOWORD(command))) {
        grammarOwner.log(">> Quillmoor is shutting down: the menu command is not carried out.\n");
        return;
    }
    const WORD id = LOWORD(command);
    if (const int count = LoadCount(id)) {
        commands.loadTestCommands(count, busy);
        return;
    }
    for (const auto& row : kPlaceCommands)
        if (row.command == id) {
            builtins.place(row.corner);
            return;
        }
    switch (id) {
    case ID_RELEASE_ALL_COMMANDS:
        commands.releaseAll(busy);
        break;
    case ID_ADD_CUSTOM_COMMAND:
        openCommandEditor(busy);
        break;
    case ID_LOAD_FROM_BINARY:
        loadFromBinary(busy);
        break;
    case ID_SHUT_DOWN:
        if (ShowMessageBoxW(nullptr,
                            L"Do you really want to shut down Quillmoor now?\n\n(You will need to reload the profile "
                            L"or restart Dragon to start it again.)",
                            L"Shut Down Quillmoor 2023 Testing?",
                            MB_YESNO | MB_ICONINFORMATION | MB_SETFOREGROUND) == IDYES)
            disconnectDragon(busy);
        break;
    case ID_CHECK_FOR_UPDATES:
        checkForUpdate(installedVersion, latestVersion, UpdateCheckReply::WithOutcome);
        break;
    default:
        break;
    }
}
