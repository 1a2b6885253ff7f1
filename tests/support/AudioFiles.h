#pragma once
// Short audio files written by the tests themselves: PCM WAV and MIDI.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QtEndian>
#include <cmath>
#include <functional>
#include <random>

namespace vb2test {

// Writes a 16-bit PCM WAV of `frames` frames: `sample(frame, channel)` gives each sample.
// Returns false when the file cannot be written.
inline bool writePcmWav(const QString &path, qint64 frames, int rate, int channels,
                        const std::function<qint16(qint64, int)> &sample) {
    const qint64 dataBytes = frames * channels * 2;
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(44 + dataBytes));
    auto u32 = [&bytes](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        bytes.append(b, 4);
    };
    auto u16 = [&bytes](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        bytes.append(b, 2);
    };
    bytes.append("RIFF");
    u32(static_cast<quint32>(36 + dataBytes));
    bytes.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(static_cast<quint16>(channels));
    u32(static_cast<quint32>(rate));
    u32(static_cast<quint32>(rate * channels * 2));
    u16(static_cast<quint16>(channels * 2));
    u16(16);
    bytes.append("data");
    u32(static_cast<quint32>(dataBytes));
    for (qint64 i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            u16(static_cast<quint16>(sample(i, c)));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

// Writes a 16-bit stereo PCM WAV of `seconds` of a 440 Hz sine at `rate` Hz.
// Returns false when the file cannot be written.
inline bool writeSineWav(const QString &path, double seconds, int rate = 44100, double hz = 440.0) {
    return writePcmWav(path, std::llround(seconds * rate), rate, 2, [=](qint64 i, int) {
        return static_cast<qint16>(8000.0 * std::sin(2.0 * M_PI * hz * static_cast<double>(i) / rate));
    });
}

// A short sine WAV at `name` under `dir` (sub-folders made), written once and reused.
inline QString sineWavIn(const QString &dir, const QString &name) {
    const QString path = dir + QLatin1Char('/') + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!QFile::exists(path))
        writeSineWav(path, 0.2, 8000);
    return path;
}

// Writes a one-track MIDI file of `quarterNotes` middle-C quarter notes at 120 beats a
// minute: half a second each.
inline bool writeMidi(const QString &path, int quarterNotes) {
    QByteArray track;
    track.append("\x00\xFF\x51\x03\x07\xA1\x20", 7);  // tempo 500000 us a quarter
    track.append("\x00\xC0\x00", 3);                  // piano
    for (int i = 0; i < quarterNotes; ++i) {
        track.append("\x00\x90\x3C\x64", 4);      // note on now
        track.append("\x83\x60\x80\x3C\x40", 5);  // note off 480 ticks later
    }
    track.append("\x00\xFF\x2F\x00", 4);
    QByteArray bytes("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xE0", 14);
    bytes.append("MTrk");
    char len[4];
    qToBigEndian(static_cast<quint32>(track.size()), len);
    bytes.append(len, 4);
    bytes.append(track);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

// Bytes no decoder makes sense of (a damaged download), the same for the same seed.
inline QByteArray randomBytes(int size, unsigned seed) {
    std::mt19937 rng(seed);
    QByteArray bytes(size, 0);
    for (char &c : bytes)
        c = static_cast<char>(rng());
    return bytes;
}

}  // namespace vb2test
