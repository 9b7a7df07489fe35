// What the optional modules (app/optional_module.h) hand the program: an
// abstract class each, made by the one function the module exports. The
// program reaches the module's libraries only through these.
#pragma once

#include <QByteArray>
#include <functional>
#include <string>

#include "mqtt/mqtt_publisher.h"

// The audio output the speaker's sound goes to (the "sound" module, Qt
// Multimedia): 16-bit mono samples, each written repeat() times.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    virtual int repeat() const = 0;  // 2: the device plays at twice the rate
    virtual qint64 bytesFree() const = 0;
    // Hands over up to `size` bytes; returns how many the output took.
    virtual qint64 Write(const char* data, qint64 size) = 0;
};
// The desktop's default output at `sampleRate` (or twice it), or nullptr
// without one or when it refuses the format.
using OpenSoundOutputFn = SoundOutput* (*)(int sampleRate);
inline constexpr char kSoundModule[] = "sound";
// The program beside the modules whose exit status says whether that output
// exists and takes the format (0: yes), asked before loading the module.
inline constexpr char kSoundCheck[] = "sound-check";
inline constexpr char kOpenSoundOutput[] = "GeigersimOpenSoundOutput";

// The MQTT client (the "mqtt" module, libmosquitto): MqttPublisher's calls.
class MqttClient {
public:
    virtual ~MqttClient() = default;
    virtual bool Start(std::string& error) = 0;
    virtual void Publish(const RateSample& sample) = 0;
    virtual void Stop() = 0;
    virtual MqttStatus Status() const = 0;
};
using NewMqttClientFn = MqttClient* (*)(const MqttSettings& settings, const std::string& id,
                                         const std::string& version);
inline constexpr char kMqttModule[] = "mqtt";
inline constexpr char kNewMqttClient[] = "GeigersimNewMqttClient";

// The control socket's transport (the "control" module, Qt Network): a
// QLocalServer, its clients seen as QIODevices and what else QLocalSocket
// does for them.
class QIODevice;
class QObject;
class QString;
class LocalListener {
public:
    virtual ~LocalListener() = default;
    virtual bool Listen(const QString& fullPath, QString& error) = 0;
    virtual QString fullServerName() const = 0;
    // The next client to take (a child of the listener), or nullptr.
    virtual QIODevice* NextPending() = 0;
    virtual void Close() = 0;
    virtual bool Connected(QIODevice* socket) const = 0;
    virtual void SetReadBufferSize(QIODevice* socket, qint64 size) = 0;
    virtual void Abort(QIODevice* socket) = 0;
    virtual void DisconnectFromServer(QIODevice* socket) = 0;
    virtual void Flush(QIODevice* socket) = 0;
    // `then` runs in `context` once `socket` has gone.
    virtual void OnDisconnected(QIODevice* socket, QObject* context, std::function<void()> then) = 0;
    // Whether a program answers at `fullPath` within `ms`.
    virtual bool SomeoneListens(const QString& fullPath, int ms) = 0;
    virtual void RemoveServer(const QString& fullPath) = 0;
};
// A listener that calls `newConnection` as clients come.
using NewLocalListenerFn = LocalListener* (*)(std::function<void()> newConnection);
inline constexpr char kControlModule[] = "control";
inline constexpr char kNewLocalListener[] = "GeigersimNewLocalListener";
