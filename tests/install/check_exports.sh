#!/bin/sh
# libkesto.so exports the engine's interface and nothing of the platform layer
# underneath it.
set -eu
lib=$1
symbols=$(nm -D --defined-only "$lib" | awk '{print $3}' | c++filt)
fail=0
for want in 'WString2ID(char const*)' 'LZDecode(unsigned char*, unsigned char*)' 'MFile::Load(char const*, unsigned int)' \
            'MFile::OpenDataFile(char const*)' 'MApp::MApp()' 'MList::Pushback(void*)' 'MMapPtr::Find(unsigned int) const' \
            'Singleton<MApp>::m_Singleton' 'KesAssertReport(wchar_t const*, wchar_t const*, unsigned int)' \
            'MApp::Init()' 'MApp::Run()' 'MApp::ExitApp()' 'MApp::Shutdown()' 'MApp::ToggleFullscreen()' \
            'MApp::InputGetVKey(int, int, int, int)' 'MApp::WindowProc(HWND__*, unsigned int, unsigned long, long)' \
            'KesPlatformSetLogHandler' 'KesPlatformSetVideoDriver' 'KesPlatformVideoDriver' \
            'KesPlatformSetAudioDriver' 'KesPlatformAudioDriver' 'KesVersion' 'KesVersionNumber' \
            'KesPlatformSetRenderDevice' 'KesPlatformDeviceName' 'KesPlatformSetPow2Textures' \
            'KesPlatformHasDisplay' 'KesPlatformSaveScreenshot' 'KesPlatformLoseDevice' 'KesPlatformLoseWindowDevice' \
            'MApp::PlayMusic(char const*, int)' 'MApp::PlaySoundA(char const*)' 'MApp::SetSoundVolume(float)' \
            'MSound::MSound()' 'MSound::~MSound()' \
            'MApp::GetFont(char const*, char const*, int, int, int)' 'MApp::GetFontChar(void*, unsigned int)' \
            'MApp::LoadTextEx(void*, char const*, int, int, int, int)' 'MApp::LoadPNG(char const*)' \
            'MApp::LoadTextUtf8(void*, char const*, int, int, int)'; do
  if ! printf '%s\n' "$symbols" | grep -qxF "$want"; then
    echo "missing export: $want"; fail=1
  fi
done
# Every KesPlatform function exported is one the installed header declares.
header=$(dirname "$0")/../../include/KesPlatform.h
for name in $(printf '%s\n' "$symbols" | grep '^KesPlatform' || true); do
  if ! grep -q "KESTO_API [^(]* \*\{0,1\}$name(" "$header"; then
    echo "exported but not in KesPlatform.h: $name"; fail=1
  fi
done
for unwanted in FMOD Mix_ CreateFileA ReadFile SetFilePointer GetFileSize CloseHandle PeekMessageA DefWindowProcA GetKeyState kes:: lzo spng_ libdeflate_; do
  if printf '%s\n' "$symbols" | grep -q "$unwanted"; then
    echo "leaked export: $(printf '%s\n' "$symbols" | grep "$unwanted" | head -3)"; fail=1
  fi
done
exit $fail
