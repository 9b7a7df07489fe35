#include "app/launch_options.h"

#include <QCommandLineParser>

#include "app/help_text.h"
#include "app/host_state.h"
#include "geigersim_version.h"
#include "platform/clock.h"
#include "script/script_language.h"
#include "serial/real_mode.h"

namespace {

const char* const kDescription =
    "Shows the front panel of the XRV-140+V4 radiation counter in a borderless\n"
    "window; the counter's own firmware runs behind the picture and draws its\n"
    "LCD. Click the four keys on the panel to drive it. Counts come at random\n"
    "(demo mode) or from a real counter on a serial port (real mode).";

const char* const kDetails = R"(
Restart switch:
  When the first argument is a switch whose name contains "Restart" after
  its first character (for example --Restart or /xRestart), the Select/Power
  key is pressed by itself 500 ms after start. A switch named exactly
  "Restart" after a single '/' or '-' does not count.

Other arguments:
  An option or argument the program does not know is ignored with a
  warning on standard error; the window starts all the same.

Exit status:
  0 when the window was closed (or the program stopped by SIGTERM, SIGINT
  or SIGHUP, which end it as Exit does), or after --help and --version;
  2 for a bad value of an option, or an option without its value, a file
  or port of --log-counts, --trace-link, --state, --control or --port that
  cannot be used (said on standard error before any window), or no display
  without --headless.
)";

QString Usage(const QCommandLineParser& parser) {
    QString text = parser.helpText();
    // The parser names the program only once an application object exists;
    // this runs before one does.
    const qsizetype firstLineEnd = text.indexOf(u'\n');
    text = QStringLiteral("Usage: geigersim [OPTION]...") + text.mid(firstLineEnd);
    // The keys and the menu's rows from the tables the window runs on.
    return text + u'\n' + KeysHelp(HelpText::Plain) + u'\n' + PopupMenuHelp(HelpText::Plain) +
           QString::fromLatin1(kDetails);
}

LaunchDecision Fail(const QString& message) {
    LaunchDecision d;
    d.run = false;
    d.exitCode = 2;
    d.err = QStringLiteral("geigersim: ") + message + QStringLiteral(" (see --help)\n");
    return d;
}

// Qt's own options, which the application object reads and removes itself;
// accepted here so that they are no error.
void AddToolkitOptions(QList<QCommandLineOption>& options) {
    static const char* const kWithValue[] = {"platform", "platformpluginpath", "platformtheme", "plugin",
                                             "qwindowgeometry", "qwindowicon", "qwindowtitle", "style",
                                             "stylesheet", "display", "geometry", "session"};
    static const char* const kFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
    for (const char* name : kWithValue) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        options << option;
    }
    for (const char* name : kFlags) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        options << option;
    }
}

// The device's host software looked at its one switch and at nothing else,
// so what the program does not know does not stop it: args without the
// options `known` lacks and without the arguments that are no option's
// value, each named in `warnings`. Read as QCommandLineParser reads them:
// one or two dashes, a name, then "=value" or the next argument as value.
QStringList KnownArguments(const QStringList& args, const QList<QCommandLineOption>& known, QString& warnings) {
    auto find = [&](const QString& name) -> const QCommandLineOption* {
        for (const QCommandLineOption& option : known)
            if (option.names().contains(name)) return &option;
        return nullptr;
    };
    auto warn = [&](const QString& what, const QString& argument) {
        warnings += QStringLiteral("geigersim: ignoring %1 '%2' (see --help)\n").arg(what, argument);
    };
    QStringList kept;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& argument = args.at(i);
        if (i == 0 || (!optionsEnded && argument == QLatin1String("--"))) {
            kept << argument;
            optionsEnded = optionsEnded || i > 0;
            continue;
        }
        if (optionsEnded || !argument.startsWith(u'-') || argument.size() == 1) {
            warn(QStringLiteral("argument"), argument);
            continue;
        }
        const QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1).section(u'=', 0, 0);
        const QCommandLineOption* option = find(name);
        if (option == nullptr) {
            warn(QStringLiteral("unknown option"), argument);
            continue;
        }
        kept << argument;
        // Its value follows unless given with '='; a missing one is the parser's error.
        if (!option->valueName().isEmpty() && !argument.contains(u'=') && i + 1 < args.size()) kept << args.at(++i);
    }
    return kept;
}

}  // namespace

LaunchDecision ParseLaunchOptions(const QStringList& args, LaunchOptions* options) {
    QStringList rest = args;
    LaunchOptions parsed;
    // The "Restart" switch follows the device's host software, not our option
    // syntax: only the second token counts, and it is taken out before the
    // ordinary options are read.
    if (RestartSwitchGiven(args)) {
        parsed.restart = true;
        rest.removeAt(1);
    }

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the program's name and version and exit."));
    const QCommandLineOption zoom(QStringLiteral("zoom"),
                                  QStringLiteral("Show the panel at PERCENT: 100, 150, 200 or 300."),
                                  QStringLiteral("PERCENT"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Start in real mode on the serial device PATH, as if chosen "
                                                 "in \"Other Port\" (e.g. /dev/ttyUSB0, /dev/serial/by-id/...)."),
                                  QStringLiteral("PATH"));
    const QCommandLineOption baud(QStringLiteral("baud"),
                                  QStringLiteral("The rate for --port: 110, 300, 1200, 2400, 4800, 9600, 14400, "
                                                 "19200, 28800, 38400, 57600, 115200 (default), 230400, 460800 "
                                                 "or 921600."),
                                  QStringLiteral("RATE"));
    const QCommandLineOption logCounts(QStringLiteral("log-counts"),
                                       QStringLiteral("Append one CSV line per count report decoded to FILE: local "
                                                      "time, count, turned (0/1), the CPM after that second, "
                                                      "counted (0/1), alarm (0/1), the dose since the log began "
                                                      "and the reports dropped as noise. %Y-%m-%d in FILE "
                                                      "writes one file a day."),
                                       QStringLiteral("FILE"));
    const QCommandLineOption traceLink(QStringLiteral("trace-link"),
                                       QStringLiteral("Write every byte sent to and received from the counter to "
                                                      "FILE, time-stamped, as hex and text."),
                                       QStringLiteral("FILE"));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("Seed the demo counts with N (0..4294967295) instead of the "
                                                 "time at power-on, as geigersim-run --seed does."),
                                  QStringLiteral("N"));
    const QCommandLineOption demoRate(QStringLiteral("demo-rate"),
                                      QStringLiteral("Demo counts at random around CPM counts per minute "
                                                     "(1..1000000) instead of the device's 0 or 1 a second, as "
                                                     "geigersim-run's demo rate does."),
                                      QStringLiteral("CPM"));
    const QCommandLineOption clock(QStringLiteral("clock"),
                                   QStringLiteral("Fix the device clock at YYYY-MM-DDTHH:MM:SS (the device has "
                                                  "no time zone) instead of the time at start."),
                                   QStringLiteral("TIME"));
    const QCommandLineOption record(QStringLiteral("record"),
                                    QStringLiteral("Record the session from start as a geigersim-run script in "
                                                   "FILE, until the window closes or View > Record Script is "
                                                   "chosen again; its header gives the replay command."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption state(QStringLiteral("state"),
                                   QStringLiteral("Start from the device saved in FILE (by \"Save State...\" or "
                                                  "geigersim-run's save). A file that cannot be loaded is "
                                                  "reported on standard error (exit status 2)."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption control(QStringLiteral("control"),
                                     QStringLiteral("Listen on a Unix-domain socket at PATH (mode 0600) for "
                                                    "geigersim-run --serve's protocol against this window: one "
                                                    "command per line, one JSON line per answer. Refused (exit "
                                                    "status 2) when PATH exists and is no socket."),
                                     QStringLiteral("PATH"));
    const QCommandLineOption mute(QStringLiteral("mute"),
                                  QStringLiteral("Start with View > Sound off: no clicks, no alarm tone."));
    const QCommandLineOption chart(QStringLiteral("chart"),
                                   QStringLiteral("Open the chart of the rate (View > Chart) at start."));
    const QCommandLineOption headless(
        QStringLiteral("headless"),
        QStringLiteral("Run the device with no window and no display, for logging a counter unattended: "
                       "--port, --log-counts, --trace-link and --control as for the window, sound off. It "
                       "ends on SIGTERM, SIGINT, SIGHUP or quit on the control socket."));
    const QCommandLineOption mqtt(QStringLiteral("mqtt"),
                                  QStringLiteral("Publish the readings to the MQTT broker at URL "
                                                 "(mqtt://HOST[:PORT], default port 1883, or mqtts://HOST[:PORT], "
                                                 "8883, checked against the system's CA store), with Home "
                                                 "Assistant's discovery; in real mode only, unless --mqtt-demo."),
                                  QStringLiteral("URL"));
    const QCommandLineOption mqttAuth(QStringLiteral("mqtt-auth"),
                                      QStringLiteral("Log in to the broker as the user on FILE's first line with "
                                                     "the password on its second."),
                                      QStringLiteral("FILE"));
    const QCommandLineOption mqttId(QStringLiteral("mqtt-id"),
                                    QStringLiteral("The device's id in the topics geigersim/ID/...: letters, digits, "
                                                   "'_' and '-' (default: from the serial port's by-id name)."),
                                    QStringLiteral("ID"));
    const QCommandLineOption mqttDemo(QStringLiteral("mqtt-demo"),
                                      QStringLiteral("Publish in demo mode too (for building a dashboard without "
                                                     "a counter)."));
    QList<QCommandLineOption> known = {help,  version, zoom,    port,  baud,     logCounts, traceLink, seed,
                                       demoRate, clock, record,  state,   control, mute, chart,    headless,  mqtt,
                                       mqttAuth, mqttId, mqttDemo};
    AddToolkitOptions(known);
    parser.addOptions(known);

    QString warnings;
    if (!parser.parse(KnownArguments(rest, known, warnings))) return Fail(parser.errorText());
    if (parser.isSet(help)) {
        LaunchDecision d;
        d.run = false;
        d.out = Usage(parser);
        return d;
    }
    if (parser.isSet(version)) {
        LaunchDecision d;
        d.run = false;
        d.out = QStringLiteral("geigersim " GEIGERSIM_VERSION "\n");
        return d;
    }
    if (parser.isSet(zoom)) {
        bool ok = false;
        QString text = parser.value(zoom);
        if (text.endsWith(u'%')) text.chop(1);
        const int percent = text.toInt(&ok);
        if (!ok || !KnownZoom(percent))
            return Fail(QStringLiteral("bad zoom '%1' (use 100, 150, 200 or 300)").arg(parser.value(zoom)));
        parsed.zoomPercent = percent;
    }
    if (parser.isSet(port)) {
        parsed.port = parser.value(port).trimmed();
        if (parsed.port.isEmpty()) return Fail(QStringLiteral("--port needs a device path"));
    }
    if (parser.isSet(baud)) {
        if (parsed.port.isEmpty()) return Fail(QStringLiteral("--baud goes with --port"));
        bool ok = false;
        const int rate = parser.value(baud).toInt(&ok);
        if (!ok || IndexForRate(rate) < 0)
            return Fail(QStringLiteral("bad rate '%1'").arg(parser.value(baud)));
        parsed.baud = rate;
    }
    parsed.logCounts = parser.value(logCounts);
    parsed.traceLink = parser.value(traceLink);
    parsed.record = parser.value(record);
    parsed.state = parser.value(state);
    parsed.control = parser.value(control);
    parsed.mute = parser.isSet(mute);
    parsed.chart = parser.isSet(chart);
    parsed.headless = parser.isSet(headless);
    for (const auto* o : {&zoom, &record, &state, &chart})
        if (parsed.headless && parser.isSet(*o))
            return Fail(QStringLiteral("--%1 needs the window: it does not go with --headless").arg(o->names().first()));
    for (const auto* o : {&logCounts, &traceLink, &record, &state, &control})
        if (parser.isSet(*o) && parser.value(*o).isEmpty())
            return Fail(QStringLiteral("--%1 needs a file name").arg(o->names().first()));
    // A recording replays from power-on, which a loaded device is not.
    if (parser.isSet(state) && parser.isSet(record))
        return Fail(QStringLiteral("--state and --record do not go together: a recording starts from power-on"));
    if (parser.isSet(seed)) {
        bool ok = false;
        const QString text = parser.value(seed);
        const qulonglong value = text.toULongLong(&ok);
        if (!ok || text.startsWith(u'+') || text.startsWith(u'-') || value > 4294967295ull)
            return Fail(QStringLiteral("bad seed '%1' (use 0..4294967295)").arg(text));
        parsed.seed = uint32_t(value);
    }
    if (parser.isSet(demoRate)) {
        // The script language's own `demo rate` checks it.
        script::Step step;
        std::string what;
        if (script::ParseStep("demo rate " + parser.value(demoRate).toStdString(), step, what) !=
                script::StepParse::Parsed ||
            step.demoRate == 0)
            return Fail(QStringLiteral("bad demo rate '%1' (use 1..1000000 counts per minute)")
                            .arg(parser.value(demoRate)));
        parsed.demoRate = step.demoRate;
    }
    if (parser.isSet(clock)) {
        const QByteArray text = parser.value(clock).toUtf8();
        std::time_t when = 0;
        if (!RtcParseLocalTime(text.constData(), size_t(text.size()), &when))
            return Fail(QStringLiteral("bad clock '%1' (use YYYY-MM-DDTHH:MM:SS)")
                            .arg(parser.value(clock)));
        parsed.clock = when;
    }
    if (!parser.isSet(mqtt)) {
        for (const auto* o : {&mqttAuth, &mqttId, &mqttDemo})
            if (parser.isSet(*o)) return Fail(QStringLiteral("--%1 goes with --mqtt").arg(o->names().first()));
    } else {
        std::string error;
        if (!ParseMqttUrl(parser.value(mqtt).toStdString(), parsed.mqtt, error) ||
            (parser.isSet(mqttAuth) && !ReadMqttAuth(parser.value(mqttAuth).toStdString(), parsed.mqtt, error)))
            return Fail(QString::fromStdString(error));
        parsed.mqtt.id = parser.value(mqttId).toStdString();
        if (parser.isSet(mqttId) && !ValidMqttId(parsed.mqtt.id))
            return Fail(QStringLiteral("--mqtt-id '%1': use 1 to 64 letters, digits, '_' or '-'")
                            .arg(parser.value(mqttId)));
        parsed.mqtt.demo = parser.isSet(mqttDemo);
    }
    *options = parsed;
    LaunchDecision d;
    d.err = warnings;
    return d;
}
