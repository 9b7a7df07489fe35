// The guide's words: every screen, menu row, value box, notice and mark of
// the device, said for someone learning its menus. Short on purpose: the
// device's own words are quoted as it shows them.
#include "core/screen_words.h"

#include "firmware/firmware.h"

const char kValueBoxAbout[] =
    "A value box shows one setting. Every change is stored the moment you make it, so there is no OK "
    "to press: the box closes by itself a few seconds after your last key, and Back closes it at once.";

namespace {
constexpr const char* kNothing = "Nothing here";
constexpr const char* kOpenMenu = "Open the main menu";
}  // namespace

const ScreenWords kReadingWords[4] = {
    {"Reading: text",
     "The counts per minute (CPM) and the dose rate in uSv/h (or mR/h), with a third line of your choice: "
     "the total count, the time since switch-on, the average CPM or the highest CPM. The status line "
     "shows the date or the time.",
     {"Show this mode's name; press again while it shows for the next mode (the graph)",
      "Next third line: total count, elapsed time, average, maximum (then the same with the dose in mR/h)",
      "Switch the status line between the date and the time", kOpenMenu},
     "This is the home screen: every menu leads back here."},
    {"Reading: graph",
     "The last 60 seconds as a graph, the newest second at the right. The status line gives the CPM "
     "and the graph's zoom: AUTO, or a fixed scale such as X5.0.",
     {"Show this mode's name; press again while it shows for the next mode (large numbers)",
      "Step the graph's zoom (shown in a box)", "Next graph type: line, bars, line and bar (shown in a box)",
      kOpenMenu},
     "This is the home screen: every menu leads back here."},
    {"Reading: large numbers",
     "The rate in large digits, in the unit chosen with Up or Down: CPM, uSv/h or mR/h.",
     {"Show this mode's name; press again while it shows for the next mode (text)",
      "Show the unit; press again while it shows for the next unit",
      "Show the unit; press again while it shows for the next unit", kOpenMenu},
     "This is the home screen: every menu leads back here."},
    {"Reading: timed count",
     "The timed count's pages: the time set, the time elapsed, the counts, the average CPM and the average "
     "dose. The marks at the right show that there are more pages above or below.",
     {"Show this mode's name; press again while it shows for the next mode", "Previous page", "Next page",
      kOpenMenu},
     "This is the home screen: every menu leads back here. Timed Count > Cancel ends the count."},
};

const ScreenWords kPowerWords[3] = {
    {"Switched off",
     "The counter is off and its LCD is unlit. The red Select/Power key switches it on.",
     {"Nothing while the counter is off", "Nothing while the counter is off", "Nothing while the counter is off",
      "Switch the counter on"},
     "Press Select/Power to start."},
    {"Starting up",
     "The maker's logo shows for about two seconds while the counter starts; the reading screen follows.",
     {"Nothing until the reading shows", "Nothing until the reading shows", "Nothing until the reading shows",
      "Nothing until the reading shows"},
     "Wait two seconds."},
    {"Display dark (power saving)",
     "Power saving has switched the display off to save the battery. The counter still counts.",
     {"Wake the display", "Wake the display", "Wake the display", "Wake the display"},
     "Any key wakes the display."},
};

const ScreenWords kBlankedWords = {
    "Screen blanked (power saving)",
    "Power saving cleared the screen 30 seconds after the last key. The counter still counts, and the parts "
    "it redraws every second come back one by one.",
    {"Bring the screen back (and show the mode's name)", "Bring the screen back", "Bring the screen back",
     "Bring the screen back (and open the main menu)"},
    "Any key brings the whole screen back."};

const ScreenWords kHistoryWords = {
    "History viewer",
    "One stretch of the saved history: its date and time with the save interval ((S) every second, (M) every "
    "minute, (H) every hour), the counts as a list (a graph when the reading screen is in graph mode), and "
    "the CPM of the record at the top left.",
    {"Back to the main menu", "Choose the next step (Next or Pre: Day, Hour, Minute, Location)",
     "Choose the next step", "Take the chosen step"},
    "Back leads to the main menu."};

const ScreenWords kHistoryEndWords = {
    "History: end of the record",
    "The step found nothing more in the saved history. The next forward step starts again at the beginning.",
    {"Back to the main menu", "Choose the next step", "Choose the next step", "Take the chosen step"},
    "Back leads to the main menu."};

const ScreenWords kNoteWords = {
    "Note editor",
    "Type a note or a place name of up to 16 characters, saved with the next time stamp of the history. "
    "Up and Down choose the character at the underline; a second or so after the last key it is taken and "
    "the underline moves on.",
    {"Delete the last character; with nothing typed, leave", "Next character (A to Z, 0 to 9, symbols, space)",
     "Previous character", "Save the note and go back to the menu"},
    "Back on an empty note returns to the Save Data menu; Select saves and returns."};

const ScreenWords kTemperatureWords = {
    "Temperature",
    "The temperature inside the counter, in large digits.",
    {"Back to the main menu", "Switch between Celsius and Fahrenheit", "Switch between Celsius and Fahrenheit",
     "Switch between Celsius and Fahrenheit"},
    "Back leads to the main menu."};

const ScreenWords kGyroscopeWords = {
    "Motion sensor (no screen)",
    "This row has no screen of its own: the menu stays on the LCD and only Back does anything.",
    {"Back to the main menu", kNothing, kNothing, kNothing},
    "Back leads to the main menu."};

const ScreenWords kManufactureWords = {
    "Maker",
    "The name and place of the counter's maker. The menu returns by itself after about 2.5 seconds.",
    {"Back to the menu at once", kNothing, kNothing, "Show it again"},
    "It closes by itself; Back closes it at once."};

// Rows of every table. The test walks the firmware's tables and finds a
// title here for each of their rows, so a new row cannot go without words.
const RowWords kRowWords[] = {
    // Main menu.
    {MainMenu, "User Option", "User options",
     "The speaker, the alarm, the LED, power saving, motion detection and the total count.", nullptr, nullptr,
     nullptr, nullptr, nullptr},
    {MainMenu, "Display Option", "Display options",
     "How the reading screen looks: its mode, the backlight, the contrast, the graph and the display's turn.",
     nullptr, nullptr, nullptr, nullptr, nullptr},
    {MainMenu, "Save Data", "Saving data",
     "What the counter records and how often, notes, the saved history, the saving threshold and erasing.",
     nullptr, nullptr, nullptr, nullptr, nullptr},
    {MainMenu, "Timed Count", "Timed count",
     "Count for a fixed time, from one minute to days, for a total and an average. While a count runs this "
     "menu offers Cancel instead.",
     nullptr, nullptr, nullptr, nullptr, nullptr},
    {MainMenu, "Init Setup", "Initial setup", "The date and time, the calibration and the factory reset.",
     nullptr, nullptr, nullptr, nullptr, nullptr},
    {MainMenu, "Others", "Other settings",
     "The battery, the temperature, the motion sensor and the serial port's speed.", nullptr, nullptr, nullptr,
     nullptr, nullptr},
    {MainMenu, "About", "About the counter", "Its model, firmware revision, serial number and maker.", nullptr,
     nullptr, nullptr, nullptr, nullptr},

    // User Option.
    {UserOptionMenu, "Speaker", "Speaker on or off",
     "The click for every count. With the speaker off the alarm flashes the LED instead of sounding.",
     "\"Speaker ON\" or \"Speaker OFF\".", nullptr, nullptr, nullptr, "about 3 seconds after your last key"},
    {UserOptionMenu, "Alarm", "Alarm settings",
     "Switch the alarm on or off and set its level in CPM or in uSv/h. Back from there leads to the main menu.",
     nullptr, nullptr, nullptr, nullptr, nullptr},
    {UserOptionMenu, "LED Indicator", "LED indicator on or off", "The LED that flashes with the counts.",
     "\"ON\" or \"OFF\".", nullptr, nullptr, nullptr, "about 3 seconds after your last key"},
    {UserOptionMenu, "Power Saving", "Power saving on or off",
     "With power saving on, the display goes blank about 30 seconds after the last key; \"Going In Power "
     "Saving\" warns two seconds before. Any key wakes it.",
     "\"ON\" or \"OFF\".", nullptr, nullptr, nullptr, "about 3 seconds after your last key"},
    {UserOptionMenu, "Motion Detect", "Motion detection",
     "What a tap on the case does: nothing (OFF), light the backlight (On Backlight), or also switch the "
     "reading screen to its next mode with a double tap (On Backlight & DisplayMode).",
     "\"OFF\", \"On Backlight\" or \"On Backlight & DisplayMode\".", nullptr, nullptr, nullptr, "about 3 seconds after your last key"},
    {UserOptionMenu, "Reset Total Count", "Reset the total count",
     "Sets the total count of the reading screen back to 0.",
     "\"Yes\" or \"No\". A \"Yes\" resets the count when the box closes; \"No\" does nothing.", nullptr, nullptr,
     nullptr, "about 6 seconds after your last key on \"Yes\", 3 on \"No\""},

    // Alarm.
    {AlarmMenu, "On/Off", "Alarm on or off",
     "While the alarm is on, the bell mark shows on the status line and the counter sounds (or flashes its "
     "LED) whenever the rate reaches the alarm level.",
     "\"Alarm ON\" or \"Alarm OFF\".", nullptr, nullptr, nullptr, "about 3 seconds after your last key"},
    {AlarmMenu, "CPM", "Alarm level in CPM",
     "The alarm level in counts per minute. Choosing this row makes CPM the alarm's unit, marked (*).",
     "The level, e.g. \"0100 CPM\".", "Raise it by 20 (above 3000 it starts again at 0)", "Lower it by 1",
     nullptr, "about 3 seconds after your last key"},
    {AlarmMenu, "uSv", "Alarm level in uSv/h",
     "The alarm level as a dose rate in microsieverts per hour. Choosing this row makes uSv/h the alarm's "
     "unit, marked (*).",
     "The level, e.g. \"0.50 uSv\".", "Raise it by 0.1 (at most 10)", "Lower it by 0.01", nullptr,
     "about 3 seconds after your last key"},

    // Display Option.
    {DisplayOptionMenu, "Display Mode", "Reading screen mode",
     "Which reading screen shows: text, graph or large numbers (and the timed count while one runs). Back on "
     "the reading screen does the same.",
     "\"Text Mode\", \"Graphic Mode\", \"Large Font\" or \"Timed Count\".", nullptr, nullptr, nullptr,
     "about a second after your last key"},
    {DisplayOptionMenu, "Backlight Timer", "Backlight timer",
     "How long the backlight stays lit after a key: always off, always on, or a number of seconds.",
     "\"Light OFF\", \"Light ON\" or \"Timeout:\" and the seconds.", "Next value", "Previous value", nullptr,
     "about 3 seconds after your last key"},
    {DisplayOptionMenu, "Backlight Level", "Backlight brightness", "How bright the backlight is, 0 to 10.",
     "\"Level:\" and the brightness.", "Brighter", "Dimmer", nullptr, "about 3 seconds after your last key"},
    {DisplayOptionMenu, "Contrast", "LCD contrast",
     "The LCD's contrast, 15 to 40. (The simulated LCD looks the same at every level.)",
     "\"Level:\" and the contrast.", "More contrast", "Less contrast", nullptr, "about 3 seconds after your last key"},
    {DisplayOptionMenu, "Large Font Mode", "Unit of the large numbers",
     "Which unit the large-number reading shows: CPM, uSv/h or mR/h.", "\"CPM\", \"uSv/h\" or \"mR/h\".",
     nullptr, nullptr, nullptr, "about 3 seconds after your last key"},
    {DisplayOptionMenu, "Graph Type", "Graph type",
     "How the graph reading draws the last minute: a line, thin bars, wide bars, or a line over bars.",
     "\"Line Graph\", \"Bar Chart 1\", \"Bar Chart 2\" or \"Line & Bar\".", "Next type", "Previous type", nullptr,
     "about 3 seconds after your last key"},
    {DisplayOptionMenu, "Graphic Zoom", "Graph zoom",
     "The graph's vertical scale: Auto fits the busiest second; x 0.2 to x 5 fix it. The graph reading shows "
     "it as AUTO or as X and the scale (X5.0) on its status line.",
     "\"Auto ZOOM\" or \"ZOOM = x\" and the scale.", "Larger scale (after x 2 back to Auto)",
     "Smaller scale (from Auto to x 5)", nullptr, "about 3 seconds after your last key"},
    {DisplayOptionMenu, "Swivel Display", "Turn the display (swivel)",
     "Normal keeps the display upright; Swivel turns it upside down for holding the counter the other way up "
     "(Up and Down then swap); Auto turns it as the counter is held.",
     "\"Normal\", \"Swivel\" or \"Auto\".", nullptr, nullptr, nullptr, "about 3 seconds after your last key"},
    {DisplayOptionMenu, "Reverse Display", "Reverse display",
     "A setting the counter keeps; the display does not change with it.", "\"ON\" or \"OFF\".", nullptr, nullptr,
     nullptr, "about 3 seconds after your last key"},

    // Save Data.
    {SaveDataMenu, "Save Mode", "What to save, how often",
     "How often the counter writes the counts into its memory: never, every second, minute or hour, or every "
     "second or minute only while the rate is over the threshold. Each change writes a time stamp.",
     "\"OFF\", \"Every Second\", \"Every Minute\", \"Every Hour\", or one of the first two with \"Threshold\".",
     nullptr, nullptr, nullptr, "about 3 seconds after your last key"},
    {SaveDataMenu, "Note/Location", "Note or place name",
     "Type a short name, saved with the next time stamp so the history shows where a reading was taken.",
     nullptr, nullptr, nullptr, nullptr, nullptr},
    {SaveDataMenu, "History Data", "Saved history",
     "Browse the saved history: Up and Down choose a step (Next or Pre Day, Hour, Minute, Location), Select "
     "takes it.",
     "The step chosen, e.g. \"Next Day\".", "Next step", "Next step", "Take the step and show the history",
     "about 2 seconds after your last key"},
    {SaveDataMenu, "Threshold", "Saving threshold",
     "The rate over which the threshold save modes record, in CPM, uSv/h or mR/h.", nullptr, nullptr, nullptr,
     nullptr, nullptr},
    {SaveDataMenu, "Erase Saved Data", "Erase the saved history",
     "Erases every saved record.",
     "\"Yes\" or \"No\". A \"Yes\" erases when the box closes; \"No\" does nothing.", nullptr, nullptr, nullptr,
     "about 6 seconds after your last key on \"Yes\", 3 on \"No\""},

    // Threshold.
    {ThresholdMenu, "CPM", "Saving threshold in CPM",
     "The threshold in counts per minute. Choosing this row makes CPM the threshold's unit, marked (*).",
     "The threshold, e.g. \"0100 CPM\".", "Raise it (by 10, 50, 100 or 1000 as it grows)", "Lower it by 1",
     nullptr, "about 3 seconds after your last key"},
    {ThresholdMenu, "uSv", "Saving threshold in uSv/h",
     "The threshold as a dose rate in microsieverts per hour; choosing this row makes uSv/h its unit (*).",
     "The threshold, e.g. \"0.50 uSv\".", "Raise it", "Lower it", nullptr, "about 3 seconds after your last key"},
    {ThresholdMenu, "mR", "Saving threshold in mR/h",
     "The threshold as a dose rate in milliroentgen per hour; choosing this row makes mR/h its unit (*).",
     "The threshold, e.g. \"0.05 mR\".", "Raise it", "Lower it", nullptr, "about 3 seconds after your last key"},

    // Timed Count and Cancel.
    {TimedCountMenu, "Set Schedule", "Delay before a timed count",
     "How long to wait before the next timed count starts. 0 starts it at once.",
     "days, hours, minutes and seconds, with the field that Up and Down change underlined.",
     "Raise the underlined field", "Lower the underlined field", "Underline the next field", "about 3 seconds after your last key"},
    {TimedCountMenu, "1 MinuteCount", "Timed count: 1 minute",
     "Starts a one-minute count (after the delay, if one is set); the reading screen shows its pages.",
     "\"Timed Count\" \"Started!\" (or \"is scheduled!\").", kNothing, kNothing, nullptr, "about 3 seconds after your last key"},
    {TimedCountMenu, "10 Minutes Count", "Timed count: 10 minutes", "Starts a ten-minute count.",
     "\"Timed Count\" \"Started!\" (or \"is scheduled!\").", kNothing, kNothing, nullptr, "about 3 seconds after your last key"},
    {TimedCountMenu, "100 Minutes Count", "Timed count: 100 minutes",
     "Starts a count of 1 hour 40 minutes.", "\"Timed Count\" \"Started!\" (or \"is scheduled!\").", kNothing,
     kNothing, nullptr, "about 3 seconds after your last key"},
    {TimedCountMenu, "12 Hours Count", "Timed count: 12 hours", "Starts a twelve-hour count.",
     "\"Timed Count\" \"Started!\" (or \"is scheduled!\").", kNothing, kNothing, nullptr, "about 3 seconds after your last key"},
    {TimedCountMenu, "24 Hours Count", "Timed count: 24 hours", "Starts a one-day count.",
     "\"Timed Count\" \"Started!\" (or \"is scheduled!\").", kNothing, kNothing, nullptr, "about 3 seconds after your last key"},
    {TimedCountMenu, "Other duration", "Timed count: your own duration",
     "Set days, hours, minutes and seconds; the count starts (or waits for its delay) when the box closes.",
     "days, hours, minutes and seconds, with the field that Up and Down change underlined.",
     "Raise the underlined field", "Lower the underlined field", "Underline the next field", "about 3 seconds after your last key"},
    {CancelMenu, "Cancel", "Cancel the timed count",
     "Stops the timed count that runs or waits; the reading screen then shows large numbers.",
     "\"Timed Count\" \"Canceled!\".", kNothing, kNothing, nullptr, "about 3 seconds after your last key"},

    // Init Setup and Calibrate.
    {InitSetupMenu, "Date/Time", "Date and time",
     "The counter's clock, field by field. In the simulator the clock is your computer's, so Up and Down "
     "show the same value again.",
     "\"Year:\", \"Month:\", \"Date:\", \"Hour:\", \"Minute:\" or \"Second:\" and its value.", "Try a later value",
     "Try an earlier value", "Show the next field", "about 4 seconds after your last key"},
    {InitSetupMenu, "Calibrate", "Calibration",
     "Three points that pair a count rate (CPM) with a dose rate (uSv/h); the dose shown is worked out from "
     "them. Back from there leads to this menu, Exit to the main menu.",
     nullptr, nullptr, nullptr, nullptr, nullptr},
    {InitSetupMenu, "Factory Reset", "Factory reset",
     "Puts the settings back to the factory's and erases the saved history.",
     "\"Yes\" or \"No\". A \"Yes\" resets when the box closes (\"Please wait.\"); \"No\" does nothing.", nullptr,
     nullptr, nullptr, "about 6 seconds after your last key on \"Yes\", 3 on \"No\""},
    {CalibrateMenu, "Calibrate 1", "Calibration point 1 (low)",
     "The first point: its CPM and the dose rate in uSv/h that matches it.",
     "\"CPM:\" and the point's counts, then \"uSv:\" and its dose.", "Raise the value shown", "Lower the value shown",
     "Show the point's other value", "about 3 seconds after your last key"},
    {CalibrateMenu, "Calibrate 2", "Calibration point 2 (middle)",
     "The second point: its CPM and the dose rate in uSv/h that matches it.",
     "\"CPM:\" and the point's counts, then \"uSv:\" and its dose.", "Raise the value shown", "Lower the value shown",
     "Show the point's other value", "about 3 seconds after your last key"},
    {CalibrateMenu, "Calibrate 3", "Calibration point 3 (high)",
     "The third point: its CPM and the dose rate in uSv/h that matches it.",
     "\"CPM:\" and the point's counts, then \"uSv:\" and its dose.", "Raise the value shown", "Lower the value shown",
     "Show the point's other value", "about 3 seconds after your last key"},

    // Others and Battery.
    {OthersMenu, "Battery", "Battery",
     "The battery's type and voltage. (Back on this row leaves the menus.)", nullptr, nullptr, nullptr, nullptr,
     nullptr},
    {OthersMenu, "Temperature", "Temperature", "Shows the temperature inside the counter.", nullptr, nullptr,
     nullptr, nullptr, nullptr},
    {OthersMenu, "Gyroscope", "Motion sensor", "The motion sensor: no screen of its own.", nullptr, nullptr,
     nullptr, nullptr, nullptr},
    {OthersMenu, "Comport Baud Rate", "Serial port speed",
     "The speed of the counter's serial port, 1200 to 115200 BPS (the default).", "The speed, e.g. \"9600 BPS\".",
     nullptr, nullptr, nullptr, "about 2.5 seconds after your last key"},
    {BatteryMenu, "Battery Type", "Battery type",
     "Rechargeable: the battery mark fills as if charging. Non Rechargeable: it shows the level, and \"Battery "
     "Low!\" warns when it runs low.",
     "\"Rechargeable\" or \"Non Rechargeable\".", nullptr, nullptr, nullptr, "about 3 seconds after your last key"},
    {BatteryMenu, "Battery", "Battery voltage", "The battery's voltage, or \"No Battery\".",
     "The voltage, e.g. \"4.2V\".", nullptr, nullptr, nullptr, "about 2.5 seconds after your last key"},

    // About.
    {AboutMenu, "Model", "Model", "The counter's model name.", "The model, \"XRV-140+V4\".", nullptr, nullptr,
     nullptr, "about 3 seconds after your last key"},
    {AboutMenu, "Revision", "Firmware revision", "The firmware's revision.", "The revision, e.g. \"Re 4.00\".",
     nullptr, nullptr, nullptr, "about 3 seconds after your last key"},
    {AboutMenu, "Serial #", "Serial number", "The counter's serial number.", "Twelve hexadecimal digits.",
     nullptr, nullptr, nullptr, "about 3 seconds after your last key"},
    {AboutMenu, "Manufacture", "Maker", "The maker's name and place.", nullptr, nullptr, nullptr, nullptr,
     nullptr},
};
const int kRowWordsCount = int(sizeof kRowWords / sizeof kRowWords[0]);

// Boxes told by their text. The notices come first: "Timed Count" alone is
// the reading mode's name, with a second line a notice.
const BoxWords kBoxWords[] = {
    {true, "Please set", "date & time",
     {"Notice: set the date and time",
      "The counter's clock reads an impossible time. This notice comes back every second outside the menus "
      "until the clock is set (Init Setup > Date/Time).",
      {}, "It closes by itself after a few seconds."}},
    {true, "Going In", "Power Saving",
     {"Notice: power saving starts",
      "No key was pressed for almost 30 seconds and power saving is on: in two seconds the screen goes blank. "
      "Press any key to keep it.",
      {}, "It closes by itself after a few seconds."}},
    {true, "Battery Low!", nullptr,
     {"Notice: battery low", "The battery is nearly empty (told only for a non-rechargeable battery).", {},
      "It closes by itself after a few seconds."}},
    {true, "Timed Count", "Started!",
     {"Notice: timed count started",
      "The timed count has begun; the reading screen shows its pages. The clock-face mark on the status line "
      "blinks while it runs.",
      {}, "It closes by itself after a few seconds."}},
    {true, "Timed Count", "is scheduled!",
     {"Notice: timed count scheduled",
      "The timed count waits for the delay set under Set Schedule; the clock-face mark shows on the status "
      "line until it starts.",
      {}, "It closes by itself after a few seconds."}},
    {true, "Timed Count", "Canceled!",
     {"Notice: timed count canceled", "The timed count was stopped; the reading screen shows large numbers.", {},
      "It closes by itself after a few seconds."}},
    {true, "FactoryReset", "Please wait.",
     {"Factory reset: please wait", "The settings go back to the factory's and the saved history is erased.",
      {}, "The screen returns by itself."}},
    // The reading screen's own boxes.
    {false, "Text Mode", nullptr,
     {"Reading mode: text",
      "The name of the reading screen's mode. Back again while it shows moves on to the next mode; the box "
      "closes within a second and the mode shows.",
      {"Next mode", nullptr, nullptr, nullptr}, "It closes by itself within a second."}},
    {false, "Graphic Mode", nullptr,
     {"Reading mode: graph",
      "The name of the reading screen's mode. Back again while it shows moves on to the next mode; the box "
      "closes within a second and the mode shows.",
      {"Next mode", nullptr, nullptr, nullptr}, "It closes by itself within a second."}},
    {false, "Large Font", nullptr,
     {"Reading mode: large numbers",
      "The name of the reading screen's mode. Back again while it shows moves on to the next mode; the box "
      "closes within a second and the mode shows.",
      {"Next mode", nullptr, nullptr, nullptr}, "It closes by itself within a second."}},
    {false, "Timed Count", nullptr,
     {"Reading mode: timed count",
      "The name of the reading screen's mode. Back again while it shows moves on to the next mode; the box "
      "closes within a second and the mode shows.",
      {"Next mode", nullptr, nullptr, nullptr}, "It closes by itself within a second."}},
    {false, "Auto ZOOM", nullptr,
     {"Graph zoom: Auto",
      "The graph scales itself to the busiest second; the status line shows AUTO. Up steps to a fixed scale.",
      {}, "It closes by itself after about 3 seconds."}},
    {false, "ZOOM = x*", nullptr,
     {"Graph zoom: fixed scale",
      "The graph's fixed vertical scale, shown on the status line as X and the scale. Up steps it (after x 2 "
      "back to Auto).",
      {}, "It closes by itself after about 3 seconds."}},
    {false, "Line Graph", nullptr,
     {"Graph type: line", "The graph as a line. Down picks the next type.", {},
      "It closes by itself after about 3 seconds."}},
    {false, "Bar Chart 1", nullptr,
     {"Graph type: thin bars", "The graph as thin bars. Down picks the next type.", {},
      "It closes by itself after about 3 seconds."}},
    {false, "Bar Chart 2", nullptr,
     {"Graph type: wide bars", "The graph as wide bars. Down picks the next type.", {},
      "It closes by itself after about 3 seconds."}},
    {false, "Line & Bar", nullptr,
     {"Graph type: line and bars", "A line over bars. Down picks the next type.", {},
      "It closes by itself after about 3 seconds."}},
    {false, "CPM", nullptr,
     {"Large numbers in CPM", "The large-number reading shows counts per minute. Up or Down again: the next unit.",
      {}, "It closes by itself after about 3 seconds."}},
    {false, "uSv/h", nullptr,
     {"Large numbers in uSv/h", "The large-number reading shows the dose rate in microsieverts per hour.", {},
      "It closes by itself after about 3 seconds."}},
    {false, "mR/h", nullptr,
     {"Large numbers in mR/h", "The large-number reading shows the dose rate in milliroentgen per hour.", {},
      "It closes by itself after about 3 seconds."}},
};
const int kBoxWordsCount = int(sizeof kBoxWords / sizeof kBoxWords[0]);

const MarkWords kMarkWords[] = {
    {MarkPlace::StatusLine,
     {"Timed count", "A timed count waits (steady), runs (blinking) or has finished (steady).", 88, 0, 6, 7}, 129},
    {MarkPlace::StatusLine,
     {"Saving", "Save Mode is on: the counter records the counts into its memory.", 94, 0, 6, 7}, 39},
    {MarkPlace::StatusLine,
     {"Alarm", "The alarm is switched on. It does not say that the level is reached.", 100, 0, 6, 7}, 94},
    {MarkPlace::StatusLine, {"Speaker", "The speaker is on: it clicks for every count.", 106, 0, 6, 7}, 96},
    {MarkPlace::StatusLine,
     {"Battery",
      "The battery. A fill that moves means a rechargeable battery (shown as if charging); a still one shows "
      "the level.",
      112, 0, 10, 6}},
    {MarkPlace::ReadingClock,
     {"Date or time", "The counter's clock: the date, or the time (Down on the text reading switches).", 0, 0, 88,
      7}},
    {MarkPlace::GraphCpm, {"CPM", "Counts per minute: the counts of the last 60 seconds.", 0, 0, 62, 7}},
    {MarkPlace::GraphZoom,
     {"Graph zoom",
      "AUTO: the graph scales itself to the busiest second. X and a number (X5.0): a fixed scale, set with Up "
      "or Display Option > Graphic Zoom.",
      62, 0, 26, 7}},
    {MarkPlace::MenuScreen, {"Menu title", "The menu you are in.", 20, 0, 68, 7}},
    {MarkPlace::MenuRows, {"Cursor", "The row that Select acts on.", 0, 9, 6, 23}},
    {MarkPlace::MenuRows, {"More above", "The menu has more rows above: Up scrolls to them.", 117, 9, 5, 7}},
    {MarkPlace::MenuRows, {"More below", "The menu has more rows below: Down scrolls to them.", 117, 25, 5, 7}},
    {MarkPlace::TextReading, {"CPM", "Counts per minute: the counts of the last 60 seconds.", 0, 12, 61, 7}},
    {MarkPlace::TextReading,
     {"Dose rate", "The dose rate worked out from the CPM, in uSv/h or mR/h.", 61, 12, 61, 7}},
    {MarkPlace::TextReading,
     {"Third line", "Total count, elapsed time, average CPM or maximum CPM: Up picks one.", 0, 24, 122, 8}},
    {MarkPlace::LargeReading, {"Reading", "The rate in the unit that Up or Down picks.", 0, 8, 122, 24}},
    {MarkPlace::TimedReading,
     {"More pages", "The marks at the right: Up and Down turn to the pages above and below.", 117, 9, 5, 23}},
    {MarkPlace::History,
     {"CPM of the record", "The counts per minute of the record shown; ACPM, for records saved every minute or hour, is "
      "their average per minute.", 0, 0, 60,
      7}},
    {MarkPlace::ValueBox, {"Value box", kValueBoxAbout, 20, 7, 84, 23}},
};
const int kMarkWordsCount = int(sizeof kMarkWords / sizeof kMarkWords[0]);

const GuideMark kUnitInForceMark = {"(*)", "The unit in force: the alarm (or the saving threshold) uses this unit.",
                                    0, 0, 18, 7};
const GuideMark kIntervalMark = {"(S)",
                                 "How often this record was saved: (S) every second, (M) every minute, (H) every "
                                 "hour. The date and time before it say when.",
                                 0, 0, 18, 7};
