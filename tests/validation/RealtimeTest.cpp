// The real-time probe itself: proof that the dlopen'ed plug-in binds to the
// executable's malloc, open, read and pthread_mutex_lock, so that the zero
// counts every processing test checks at its end mean something. Only in builds
// without sanitizers (label nosan).
#include "ValidationHost.h"

#include <pthread.h>

using namespace validation;

TEST(NosanRealtimeProbe, CountsOnlyInsideAScope)
{
    ASSERT_TRUE(rtprobe::active());
    rtprobe::take();
    void* outside = rtprobe::probeMalloc(64);
    std::free(outside);
    EXPECT_EQ(rtprobe::take().total(), 0u);
    {
        rtprobe::Scope inside;
        void* p = rtprobe::probeMalloc(64);
        std::free(p);
    }
    const rtprobe::Counts c = rtprobe::take();
    EXPECT_EQ(c.calls[rtprobe::kMalloc], 1u);
    EXPECT_EQ(c.calls[rtprobe::kFree], 1u);
}

TEST(NosanRealtimeProbe, SeesThePluginsOwnCalls)
{
    ASSERT_TRUE(Library::shared().entry) << Library::shared().error;
    cabinetWav();
    rtprobe::take();
    rtprobe::Counts c;
    {
        // Not processing calls: these are expected to allocate, read and lock.
        rtprobe::Scope inside;
        Plugin plug;
        ASSERT_TRUE(plug.valid());
        ASSERT_TRUE(loadExternal(plug, cabinetWav()));
        plug.set(kGain, 0.3f);
        plug.close();
        c = rtprobe::take();
    }
    EXPECT_GT(c.calls[rtprobe::kNew] + c.calls[rtprobe::kMalloc] + c.calls[rtprobe::kAlignedAlloc], 0u)
        << c.describe();
    EXPECT_GT(c.calls[rtprobe::kOpen] + c.calls[rtprobe::kFopen], 0u) << c.describe();
    EXPECT_GT(c.calls[rtprobe::kRead], 0u) << c.describe();
}

TEST(NosanRealtimeProbe, CountsLocks)
{
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    rtprobe::take();
    {
        rtprobe::Scope inside;
        pthread_mutex_lock(&mutex);
        pthread_mutex_unlock(&mutex);
    }
    EXPECT_EQ(rtprobe::take().calls[rtprobe::kMutexLock], 1u);
}
