#pragma once
// The media-player control: one source of the audio engine per instance.
// Times are seconds (doubles); Volume is hundredths of a decibel (0 full level).
// Errors are raised as VbError (platform/VbError.h is header-only).
#include <QObject>
#include <QString>
#include <memory>

class MediaPlayer : public QObject {
    Q_OBJECT
  public:
    // autoStart: the file starts playing as soon as FileName is set (the jingle player).
    explicit MediaPlayer(QObject *parent = nullptr, bool autoStart = false);
    ~MediaPlayer() override;

    // An instance that only measures files (never heard unless played) opens
    // no decoder at FileName where the length can be read without one, and
    // pre-rolls nothing; playing instances pre-roll so Play sounds at once.
    void setMeasureOnly(bool measureOnly);
    bool measureOnly() const;

    // Opens and checks the file before returning (VbError when it cannot be
    // decoded; nothing is open then) and pre-rolls its first buffer.
    void setFileName(const QString &fileName);
    // The string last set, unchanged, also after Stop and after the end.
    QString FileName() const;

    double Duration() const;
    double CurrentPosition() const;
    // Seeks in any state; with no file nothing happens.
    void setCurrentPosition(double seconds);
    double SelectionStart() const;
    void setSelectionStart(double seconds);
    double SelectionEnd() const;

    int Volume() const;
    void setVolume(int hundredthsOfDb);
    bool Mute() const;
    void setMute(bool mute);

    // Raises VbError when nothing can be played.
    void Play();
    void Pause();
    // Ends playback; never raises EndOfStream.
    void Stop();

    bool isPlaying() const;
    bool isPaused() const;

  signals:
    // Once per file played to its end, queued to the UI thread.
    void EndOfStream(int Result);

  private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
