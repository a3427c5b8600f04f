#pragma once

#include <functional>

// The descriptors the connection servers of this process may hold: all it may
// open but a reserve (a sixteenth of its limit, 4 to 64) and those the rest of
// the program holds, so that a flood of connections never takes the ones that
// saving a note, opening a file or the desktop itself needs. Every server of
// the process has one, and those of one thread are counted together.
class CDescriptorBudget
{
public:
    // held tells how many descriptors the server's connections hold now.
    explicit CDescriptorBudget(std::function<int()> held);
    ~CDescriptorBudget();
    CDescriptorBudget(const CDescriptorBudget&) = delete;
    CDescriptorBudget& operator=(const CDescriptorBudget&) = delete;

    // Counts the descriptors open now that are no server's connection as the
    // rest of the program's (when a server starts listening).
    static void CountTheRest();
    // Whether the connections of every server hold all they may: one more must
    // wait until one is closed.
    static bool Spent();

private:
    std::function<int()> m_held;
};
