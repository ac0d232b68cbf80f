// The scenario language's commands: the runner looks a line's first word up here, and "--help"
// prints the same entries, so the usage shown and the commands run come from one place.
// tools/check_standin_commands.py reads the names below (one entry per command, the name its
// first string) and fails when docs/standin-script.md lacks one or documents another.
#include <string>

#include "standin/ScriptRunner.h"

const ScriptRunner::Command ScriptRunner::kCommands[] = {
    // Start and data.
    {"start", "", &ScriptRunner::ExecuteStart, "loads and starts the plug-ins (earlier lines prepare data)"},
    {"mailbox", "<name> [yourname] [address]", &ScriptRunner::ExecuteData,
     "creates a mailbox with its inbox and MailBox.ini"},
    {"folder", "<folder>", &ScriptRunner::ExecuteData, "creates the folder and missing parents"},
    {"message", "<folder> <text>", &ScriptRunner::ExecuteData, "stores a message with that text"},
    {"message-file", "<folder> <path>", &ScriptRunner::ExecuteData, "stores the file's text as a message"},
    {"status", "<mail> <set> <clear>", &ScriptRunner::ExecuteData, "changes a message's status bits"},
    {"file", "<path> <text>", &ScriptRunner::ExecuteFile, "writes the file with the text as it stands"},
    // Acting.
    {"select", "folder|mailbox|mail|add <id>", &ScriptRunner::ExecuteUi, "selects a folder or a message"},
    {"open", "folder|mailbox <id>", &ScriptRunner::ExecuteUi, "selects a folder, opening it again when selected"},
    {"compose", "new|reply|header <name> <value>|body <text>|send", &ScriptRunner::ExecuteUi,
     "opens, fills in and sends a compose window"},
    {"menu", "main|list|folder <text>", &ScriptRunner::ExecuteUi, "chooses a menu item by its text"},
    {"rename", "<folder> <new name>", &ScriptRunner::ExecuteUi, "renames a folder through the tree's label editor"},
    {"command", "<id>", &ScriptRunner::ExecuteUi, "sends the command id to the main window"},
    {"setup", "<plug-in>", &ScriptRunner::ExecuteUi, "calls the plug-in's setup"},
    {"callbacks", "", &ScriptRunner::ExecuteCallbacks, "calls the callbacks that have no event here"},
    {"on", "i686|x86_64 <command...>", &ScriptRunner::ExecuteOn, "runs the command on that architecture only"},
    {"hover", "<row> <column> [width]", &ScriptRunner::ExecuteHover,
     "moves the list's mouse over a cell (sizing the column first)"},
    // Dialogs, message boxes and pop-up menus.
    {"dialog", "wait|gone|set|click|check|select|tab|rows|enabled|disabled|checked|unchecked|...",
     &ScriptRunner::ExecuteDialog, "waits for the active dialog, works and reads its controls"},
    {"msgbox", "ok|cancel|yes|no|retry|ignore|abort|wait [timeout] [then <id>]", &ScriptRunner::ExecuteDialog,
     "answers a message box, or waits for one"},
    {"popup", "dump|choose <text>|close [timeout]", &ScriptRunner::ExecuteDialog,
     "reads or works a pop-up menu that a plug-in tracks"},
    {"click", "status <part> [right|left]", &ScriptRunner::ExecuteDialog, "clicks a status-bar part with the pointer"},
    // Waiting, reporting and checking.
    {"wait", "<ms>|idle|messages|status|log|nntp ... [timeout]", &ScriptRunner::ExecuteWait,
     "sleeps, or waits until the state holds"},
    {"dump", "folders|messages|source|file|status|menu|commands|plugins|log|threads|compose|dialog|windows",
     &ScriptRunner::ExecuteDump, "prints a part of the client's state"},
    {"screenshot", "[dialog] <file.bmp>", &ScriptRunner::ExecuteUi, "captures the main window or the active dialog"},
    {"print", "<words>", &ScriptRunner::ExecutePrint, "prints the words"},
    {"measure", "paint <id> <command...>", &ScriptRunner::ExecuteMeasure,
     "prints how long until the command's list is painted"},
    {"expect", "<what> ...", &ScriptRunner::ExecuteExpect, "fails unless the state holds"},
    // The scripted news server.
    {"fake-nntp", "scenario <name> [keep] [<key>=<value>...]|reset|log", &ScriptRunner::ExecuteFakeNntp,
     "chooses the news server's scenario or prints its log"},
    // Exit, restart, host faults and messages.
    {"exit", "[timeout]", &ScriptRunner::ExecuteExit, "runs the host's exit sequence"},
    {"restart", "", &ScriptRunner::ExecuteStart, "after exit: ends the process and goes on in a new one"},
    {"fault", "<function> <n> access|fail [worker]", &ScriptRunner::ExecuteFault,
     "makes the n-th call of a host function fault or fail"},
    {"marshal", "on|off", &ScriptRunner::ExecuteMarshal, "makes workers' host calls wait for the UI thread"},
    {"interpose", "<folder> #<row>", &ScriptRunner::ExecuteInterpose,
     "when a plug-in next makes the folder current, the user opens that row's message"},
    {"post", "main|status|tree|list|view <message> [wParam] [lParam]", &ScriptRunner::ExecutePost,
     "posts a message to one of the host's windows"},
    {"dismiss", "[all] [ms]", &ScriptRunner::ExecuteDismiss, "answers every message box that comes up for a while"},
    {"calls", "reset|show", &ScriptRunner::ExecuteCalls, "forgets or prints the count of host calls"},
    {"try", "<command...>", &ScriptRunner::ExecuteTry, "runs the command; a failure is printed, not fatal"},
};
const size_t ScriptRunner::kCommandCount = sizeof(kCommands) / sizeof(kCommands[0]);

std::string ScriptRunner::CommandHelp() {
    std::string help;
    for (size_t i = 0; i < kCommandCount; ++i) {
        const Command& c = kCommands[i];
        std::string usage = std::string(c.name) + (*c.args ? " " : "") + c.args;
        help += "  " + usage + "\n      " + c.help + "\n";
    }
    help += "Any acting command may end with \"within <ms>\": how long it may take (10000 by default).\n";
    return help;
}
