// The parts of one yEnc file that came in several articles, joined back into the file. Each
// part says where its bytes belong (begin= and end= of its "=ypart" line), so the parts are put
// in that order whatever order the user gave, and every gap, overlap and damaged part is named.
// Portable.
#pragma once

#include <string>
#include <vector>

struct YencJoin {
    bool found = false;    // some text carries a yEnc block that is one part of several
    std::string problem;   // why the file cannot be made, one line per problem; empty when whole
    std::string fileName;  // name= of the parts, not yet made safe
    std::string bytes;     // the whole file when there is no problem
    int parts = 0;         // the parts joined
};

// Looks for part blocks in every text (a stored message's source) and joins them.
YencJoin JoinYencParts(const std::vector<const std::string*>& texts);
