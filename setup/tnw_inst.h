/* The setup helper an installer calls once Tarnwell is installed: it starts the program that
 * lies in the helper's own folder, plainly or to have it register itself with the desktop and
 * end. Both entries ignore their argument (the installer's window handle), start the program
 * without waiting for it, and return 0 whatever happens: an installer has nothing to do about a
 * failure here. */
#ifndef TARNWELL_SETUP_TNW_INST_H
#define TARNWELL_SETUP_TNW_INST_H

#ifdef __cplusplus
extern "C" {
#endif

#define TNW_INST_EXPORT __attribute__((visibility("default")))

TNW_INST_EXPORT int fnTNWInst(void* unused);
TNW_INST_EXPORT int fnTNWInstReg(void* unused);

#ifdef __cplusplus
}
#endif

#endif
