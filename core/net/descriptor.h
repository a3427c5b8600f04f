#pragma once

#include <utility>

// A descriptor this program owns: it is closed when its owner goes, once,
// wherever it was handed on to. Moved from, it holds none (-1).
class CDescriptor
{
public:
    CDescriptor() = default;
    explicit CDescriptor(int nDescriptor) : m_nDescriptor(nDescriptor) {}
    ~CDescriptor() { Reset(); }

    CDescriptor(CDescriptor&& other) noexcept : m_nDescriptor(other.Release()) {}
    CDescriptor& operator=(CDescriptor&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    CDescriptor(const CDescriptor&) = delete;
    CDescriptor& operator=(const CDescriptor&) = delete;

    int Get() const { return m_nDescriptor; }
    bool IsValid() const { return m_nDescriptor >= 0; }
    // Gives the descriptor up without closing it: the caller owns it now.
    int Release() { return std::exchange(m_nDescriptor, -1); }
    // Closes the one held (if any) and holds the one given.
    void Reset(int nDescriptor = -1) noexcept;

private:
    int m_nDescriptor = -1;
};
