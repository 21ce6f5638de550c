// An FMOD system of our subset playing on SDL's dummy audio driver, for the
// tests that drive the subset itself, with a scratch folder for the files
// they make.
#ifndef KESTO_TESTS_SOUND_FMODSYSTEMFIXTURE_H
#define KESTO_TESTS_SOUND_FMODSYSTEMFIXTURE_H

#include "TestSupport.h"

#include <fmod.hpp>

#include <gtest/gtest.h>

#include <cstdlib>

namespace kes::test {

class FmodSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_EQ(FMOD::System_Create(&m_system), FMOD_OK);
        ASSERT_EQ(m_system->init(4, FMOD_INIT_NORMAL, nullptr), FMOD_OK);
    }
    void TearDown() override
    {
        if (m_system) {
            m_system->close();
            m_system->release();
        }
    }

    ScratchDir m_dir;
    FMOD::System* m_system = nullptr;
};

} // namespace kes::test

#endif
