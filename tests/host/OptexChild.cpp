// Second process of the named-lock tests.
//   optex_child try <name>                       exit 1 when the lock could be taken at once
//   optex_child count <name> <counter> <rounds> <ready>
//       signals the event <ready>, then increments the shared counter under the lock
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "host/Optex.h"

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "try") == 0) {
        Optex lock(argv[2]);
        if (!lock.TryEnter())
            return 0;
        lock.Leave();
        return 1;
    }
    if (argc == 6 && std::strcmp(argv[1], "count") == 0) {
        Optex lock(argv[2]);
        HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, argv[3]);
        if (mapping == nullptr)
            return 2;
        auto* counter = static_cast<volatile long*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 4));
        int rounds = std::atoi(argv[4]);
        HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[5]);
        if (ready == nullptr || counter == nullptr)
            return 2;
        SetEvent(ready);
        for (int i = 0; i < rounds; ++i) {
            lock.Enter();
            long value = *counter;
            if ((i & 63) == 0)
                Sleep(0);
            *counter = value + 1;
            lock.Leave();
        }
        return 0;
    }
    return 3;
}
