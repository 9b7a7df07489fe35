// The window's optional parts that need a library a window at rest does
// not: the speaker's sound (Qt Multimedia, with PulseAudio behind it), the
// MQTT client (libmosquitto, with OpenSSL behind it) and the control
// socket's transport (Qt Network, with Kerberos behind it).
// Each is a module, loaded at its first use, so that a run that never plays
// a sound, publishes or listens never loads those libraries. The program calls a
// module only through the one function it exports and the virtual functions
// of the object that returns (app/module_parts.h). Beside the modules lies
// sound-check, the program that asks for an audio output in its own process
// before the window loads the sound module (app/sound_player.h).
#pragma once

#include <string>

// Where the optional part `file` (a module's "<name>.so", or sound-check)
// is: beside the program as installed (<bindir>/../<libdir>/geigersim),
// else where the build wrote it; empty, with `why`, when in neither.
std::string OptionalPartPath(const std::string& file, std::string& why);

// The module's exported `symbol`, the module found as above and loaded
// once; nullptr with `why` (dlerror's words) when the module or the symbol is missing.
void* OptionalModuleSymbol(const char* module, const char* symbol, std::string& why);
