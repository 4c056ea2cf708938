/* The few entry points of Samba's client libraries that the transport uses, behind plain C
   types: samba_glue.c is the only file that includes Samba's headers (they are C, and not
   all of them compile as C++). */
#ifndef KORVANE_PLATFORM_SMB_SAMBA_GLUE_H
#define KORVANE_PLATFORM_SMB_SAMBA_GLUE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct korvane_samba_session;
struct korvane_samba_pipe;

enum korvane_samba_interface { KORVANE_WINREG = 0, KORVANE_SVCCTL = 1, KORVANE_WKSSVC = 2 };

/* kerberos: the account's credential cache; otherwise user, password and domain (may be
   empty). NULL when the libraries cannot be set up. */
struct korvane_samba_session* korvane_samba_session_open(int kerberos, const char* user,
                                                         const char* password,
                                                         const char* domain);
void korvane_samba_session_close(struct korvane_samba_session* session);

/* A pipe to the interface on the computer, or NULL with the NTSTATUS in *status. The
   pipe must be closed before its session. A call fails after timeout_seconds without its
   whole reply, or when the reply grows beyond max_reply_bytes. tcp_port 0: over SMB,
   authenticated; otherwise straight to that TCP port, without authentication (for tests'
   fake servers only). */
struct korvane_samba_pipe* korvane_samba_pipe_open(struct korvane_samba_session* session,
                                                   const char* computer,
                                                   enum korvane_samba_interface which,
                                                   unsigned timeout_seconds, size_t max_reply_bytes,
                                                   unsigned tcp_port, uint32_t* status);
void korvane_samba_pipe_close(struct korvane_samba_pipe* pipe);

/* One call; the reply's stub data in *out (free with free()). Returns the NTSTATUS. */
uint32_t korvane_samba_call(struct korvane_samba_pipe* pipe, uint16_t opnum, const uint8_t* in,
                            size_t in_length, uint8_t** out, size_t* out_length);

/* The size of the share at the smb:// URL: 0, or -1 when it cannot be reached. */
int korvane_samba_share_space(struct korvane_samba_session* session, const char* url,
                              unsigned timeout_seconds, uint64_t* total, uint64_t* free_bytes,
                              uint64_t* available);

#ifdef __cplusplus
}
#endif

#endif
