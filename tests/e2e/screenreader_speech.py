"""A speech server for the Orca screen reader that makes no sound: every utterance goes to a file.

Orca loads it when its settings name "screenreader_speech" as the speech server factory and the
folder of this file is its settings folder (orca -u FOLDER puts that folder on Python's path):
speech-dispatcher finds no sound device on a test machine and hangs, and Orca's watchdog then
stops Orca. The file is $ORCA_TRANSCRIPT; each line: seconds since the epoch, kind (SPEAK, KEY,
CHAR, SAYALL, STOP), I for an utterance that interrupts the one before, and the text.
"""
import os
import time

from orca import speechserver

_PATH = os.environ.get("ORCA_TRANSCRIPT", "/tmp/orca-transcript.tsv")


def _write(kind, text="", interrupt=None):
    flag = "" if interrupt is None else ("I" if interrupt else "-")
    with open(_PATH, "a", encoding="utf-8") as f:
        f.write("%.3f\t%s\t%s\t%s\n" % (time.time(), kind, flag, str(text).replace("\n", " ")))


class SpeechServer(speechserver.SpeechServer):
    _only = None

    @staticmethod
    def getFactoryName():
        return "Transcript"

    @staticmethod
    def getSpeechServers():
        return [SpeechServer.getSpeechServer()]

    @staticmethod
    def getSpeechServer(info=None):
        if SpeechServer._only is None:
            SpeechServer._only = SpeechServer()
        return SpeechServer._only

    @staticmethod
    def shutdownActiveServers():
        pass

    def __init__(self):
        pass

    def getInfo(self):
        return ["Transcript", "transcript"]

    def getVoiceFamilies(self):
        return []

    def speak(self, text=None, acss=None, interrupt=True):
        if text:
            _write("SPEAK", text, interrupt)

    def speakCharacter(self, character, acss=None):
        _write("CHAR", character)

    def speakKeyEvent(self, event, acss=None):
        _write("KEY", event.getKeyName())

    def sayAll(self, utteranceIterator, progressCallback):
        for context, _acss in utteranceIterator:
            _write("SAYALL", context.utterance)

    def stop(self):
        _write("STOP")

    # Voice settings mean nothing here.
    def increaseSpeechRate(self, step=5): pass
    def decreaseSpeechRate(self, step=5): pass
    def increaseSpeechPitch(self, step=0.5): pass
    def decreaseSpeechPitch(self, step=0.5): pass
    def increaseSpeechVolume(self, step=0.5): pass
    def decreaseSpeechVolume(self, step=0.5): pass
    def updateCapitalizationStyle(self): pass
    def updatePunctuationLevel(self): pass
    def shutdown(self): pass
    def reset(self, text=None, acss=None): pass
