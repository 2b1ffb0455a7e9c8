// glSound: sound channels over OpenAL Soft and WAV loading.
// Only the hooks the window environment calls exist so far; channels, buffers
// and WAV loading are not built yet, so these do nothing.
#pragma once

void squelchAllSounds(void);
void unsquelchAllSounds(void);
void updateSoundManager(void);
void stopAllHazardousSounds(void);
void startAllHazardousSounds(void);
