#include "app/ui/alarm.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>

#include <cmath>

namespace bd {

namespace {

void put16(QByteArray& out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void put32(QByteArray& out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

// Written once per run, in the private temporary folder.
QString toneFile()
{
    static QString path;
    if (!path.isEmpty() && QFile::exists(path))
        return path;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    path = QDir(folder).filePath(QStringLiteral("brindelle-alarm-%1.wav").arg(QCoreApplication::applicationPid()));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(alarmTone()) < 0)
        path.clear();
    return path;
}

void playTone()
{
    QApplication::beep();
    const QString tone = toneFile();
    if (tone.isEmpty())
        return;
    // The players of PulseAudio (PipeWire too) and of ALSA.
    for (const char* player : {"paplay", "pw-play", "aplay"}) {
        const QString program = QStandardPaths::findExecutable(QLatin1String(player));
        if (program.isEmpty())
            continue;
        QStringList arguments;
        if (QLatin1String(player) == QLatin1String("aplay"))
            arguments << QStringLiteral("-q");
        arguments << tone;
        if (QProcess::startDetached(program, arguments))
            return;
    }
}

std::function<void()>& ringer()
{
    static std::function<void()> r;
    return r;
}

} // namespace

QByteArray alarmTone(int frequency, int sampleRate)
{
    // Three beeps of 0.18 s with 0.12 s of silence after each.
    const int beep = sampleRate * 18 / 100, gap = sampleRate * 12 / 100;
    const int samples = 3 * (beep + gap);
    QByteArray out;
    out.reserve(44 + 2 * samples);
    out.append("RIFF", 4);
    put32(out, quint32(36 + 2 * samples));
    out.append("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, quint32(sampleRate));
    put32(out, quint32(2 * sampleRate));
    put16(out, 2);
    put16(out, 16);
    out.append("data", 4);
    put32(out, quint32(2 * samples));
    const double pi = std::acos(-1.0);
    for (int i = 0; i < samples; ++i) {
        const int at = i % (beep + gap);
        double v = 0;
        if (at < beep) {
            // Faded in and out over 5 ms, so that it does not click.
            const double fade = std::min({1.0, at / (0.005 * sampleRate), (beep - at) / (0.005 * sampleRate)});
            v = 0.6 * fade * std::sin(2 * pi * frequency * i / sampleRate);
        }
        put16(out, quint16(qint16(std::lround(v * 32767))));
    }
    return out;
}

void ringAlarm()
{
    if (ringer())
        ringer()();
    else
        playTone();
}

void setAlarmRinger(std::function<void()> r) { ringer() = std::move(r); }

} // namespace bd
