#pragma once

#include "core/finger/finger_daemon_socket.h"

#include <chrono>
#include <memory>

class CAppSettings;
namespace SystemInfo {
struct CSystemInfo;
}

// A finger server that answers from these settings and system texts and writes
// this query log.
std::unique_ptr<CFingerDaemonSocket>
MakeFingerServer(const CAppSettings& settings, const SystemInfo::CSystemInfo& system,
                 CFingerQueryLog& queries, IPrompts& prompts, ISoundPlayer& sound,
                 std::chrono::milliseconds queryTimeLimit = CFingerDaemonSocket::QueryTimeLimit);

// The same, already listening on a free port of 127.0.0.1; empty when it could not.
std::unique_ptr<CFingerDaemonSocket>
StartLoopbackFingerServer(const CAppSettings& settings, const SystemInfo::CSystemInfo& system,
                          CFingerQueryLog& queries, IPrompts& prompts, ISoundPlayer& sound);
