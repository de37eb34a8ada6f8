#pragma once
// The kitchen timer's alarm: a short tone the program makes itself, played
// by the desktop's sound player where there is one, and the system's beep.

#include <QByteArray>

#include <functional>

namespace bd {

// A tone as WAV bytes: 16-bit mono PCM, three short beeps of frequency Hz.
QByteArray alarmTone(int frequency = 880, int sampleRate = 22050);

// Rings the alarm once. Tests put a ringer of their own in its place; an
// empty function puts the program's back.
void ringAlarm();
void setAlarmRinger(std::function<void()> ringer);

} // namespace bd
