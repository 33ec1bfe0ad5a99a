// A library with thread-local data, loaded at run time by
// thread_local_exit_program: the shape of a GL driver's TLS, small enough that
// the block's place in the heap is the same at every run.
extern "C" {

__thread char g_threadBlock[VOKE_THREAD_BLOCK_BYTES];

char* TouchThreadBlock()
{
    g_threadBlock[0] = 1;
    return g_threadBlock;
}
}
