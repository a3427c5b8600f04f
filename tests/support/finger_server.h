#pragma once

#include "core/finger/finger_daemon_socket.h"

#include <chrono>
#include <memory>

class CAppSettings;

// A finger server that answers from these settings and writes their query log.
std::unique_ptr<CFingerDaemonSocket>
MakeFingerServer(CAppSettings& settings, IPrompts& prompts, ISoundPlayer& sound,
                 std::chrono::milliseconds queryTimeLimit = CFingerDaemonSocket::QueryTimeLimit);

// The same, already listening on a free port of 127.0.0.1; empty when it could not.
std::unique_ptr<CFingerDaemonSocket>
StartLoopbackFingerServer(CAppSettings& settings, IPrompts& prompts, ISoundPlayer& sound);
