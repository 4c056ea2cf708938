/* The one file that sees Samba's client libraries: DCE/RPC pipes over SMB (libdcerpc), the
   calls' stub data sent and received raw, and share sizes (libsmbclient). Only interfaces
   of those libraries with public version tags are used. */
#include "platform/smb/samba_glue.h"

#include <stdlib.h>
#include <string.h>
#include <sys/statvfs.h>

#include <talloc.h>
#include <tevent.h>
#include <credentials.h>
#include <dcerpc.h>
#include <libsmbclient.h>
#include <param.h>

extern const struct ndr_interface_table ndr_table_winreg;
extern const struct ndr_interface_table ndr_table_svcctl;
extern const struct ndr_interface_table ndr_table_wkssvc;

struct korvane_samba_session {
  TALLOC_CTX* memory;
  struct tevent_context* events;
  struct loadparm_context* settings;
  struct cli_credentials* account;
  SMBCCTX* shares;
  int kerberos;
  char* user;
  char* password;
  char* domain;
};

struct korvane_samba_pipe {
  TALLOC_CTX* memory;
  struct dcerpc_pipe* pipe;
};

struct korvane_samba_session* korvane_samba_session_open(int kerberos, const char* user,
                                                         const char* password,
                                                         const char* domain) {
  struct korvane_samba_session* s;
  TALLOC_CTX* memory = talloc_new(NULL);
  if (memory == NULL) return NULL;
  s = talloc_zero(memory, struct korvane_samba_session);
  if (s == NULL) {
    talloc_free(memory);
    return NULL;
  }
  s->memory = memory;
  /* Registers the transports and authentication methods; does so once by itself. */
  dcerpc_init();
  s->events = tevent_context_init(memory);
  s->settings = loadparm_init_global(true);
  s->account = cli_credentials_init(memory);
  if (s->events == NULL || s->settings == NULL || s->account == NULL) {
    talloc_free(memory);
    return NULL;
  }
  /* Samba's own diagnostics would land among the console's progress lines. */
  lpcfg_set_cmdline(s->settings, "log level", "0");
  cli_credentials_set_conf(s->account, s->settings);
  s->kerberos = kerberos;
  s->user = talloc_strdup(memory, user);
  s->password = talloc_strdup(memory, password);
  s->domain = talloc_strdup(memory, domain);
  if (kerberos) {
    cli_credentials_guess(s->account, s->settings);
    cli_credentials_set_kerberos_state(s->account, CRED_USE_KERBEROS_REQUIRED, CRED_SPECIFIED);
  } else {
    cli_credentials_set_username(s->account, user, CRED_SPECIFIED);
    cli_credentials_set_password(s->account, password, CRED_SPECIFIED);
    if (domain[0] != '\0') cli_credentials_set_domain(s->account, domain, CRED_SPECIFIED);
    cli_credentials_set_kerberos_state(s->account, CRED_USE_KERBEROS_DISABLED, CRED_SPECIFIED);
  }
  return s;
}

void korvane_samba_session_close(struct korvane_samba_session* session) {
  if (session == NULL) return;
  if (session->shares != NULL) smbc_free_context(session->shares, 1);
  talloc_free(session->memory);
}

static const struct ndr_interface_table* table_of(enum korvane_samba_interface which) {
  switch (which) {
    case KORVANE_WINREG:
      return &ndr_table_winreg;
    case KORVANE_SVCCTL:
      return &ndr_table_svcctl;
    case KORVANE_WKSSVC:
      return &ndr_table_wkssvc;
  }
  return NULL;
}

struct korvane_samba_pipe* korvane_samba_pipe_open(struct korvane_samba_session* session,
                                                   const char* computer,
                                                   enum korvane_samba_interface which,
                                                   unsigned timeout_seconds, size_t max_reply_bytes,
                                                   unsigned tcp_port, uint32_t* status) {
  struct korvane_samba_pipe* p;
  TALLOC_CTX* memory = talloc_new(session->memory);
  struct cli_credentials* account = session->account;
  char* binding;
  NTSTATUS result;
  if (memory == NULL) {
    *status = 0xC0000017; /* no memory */
    return NULL;
  }
  p = talloc_zero(memory, struct korvane_samba_pipe);
  if (tcp_port != 0) {
    /* Straight to the port, bound without authentication. */
    binding = talloc_asprintf(memory, "ncacn_ip_tcp:%s[%u]", computer, tcp_port);
    account = cli_credentials_init_anon(memory);
  } else {
    binding = talloc_asprintf(memory, "ncacn_np:%s", computer);
  }
  if (p == NULL || binding == NULL || account == NULL) {
    talloc_free(memory);
    *status = 0xC0000017;
    return NULL;
  }
  result = dcerpc_pipe_connect(memory, &p->pipe, binding, table_of(which), account,
                               session->events, session->settings);
  if (!NT_STATUS_IS_OK(result)) {
    talloc_free(memory);
    *status = NT_STATUS_V(result);
    return NULL;
  }
  dcerpc_binding_handle_set_timeout(p->pipe->binding_handle, timeout_seconds);
  /* The libraries would gather a reply of up to 240 MB from a server that never ends it. */
  p->pipe->conn->max_total_response_size = max_reply_bytes;
  p->memory = memory;
  *status = 0;
  return p;
}

void korvane_samba_pipe_close(struct korvane_samba_pipe* pipe) {
  if (pipe != NULL) talloc_free(pipe->memory);
}

uint32_t korvane_samba_call(struct korvane_samba_pipe* pipe, uint16_t opnum, const uint8_t* in,
                            size_t in_length, uint8_t** out, size_t* out_length) {
  TALLOC_CTX* scratch = talloc_new(pipe->memory);
  uint8_t* reply = NULL;
  size_t reply_length = 0;
  uint32_t flags = 0;
  NTSTATUS result;
  *out = NULL;
  *out_length = 0;
  if (scratch == NULL) return 0xC0000017;
  result = dcerpc_binding_handle_raw_call(pipe->pipe->binding_handle, NULL, opnum, 0, in,
                                          in_length, scratch, &reply, &reply_length, &flags);
  if (NT_STATUS_IS_OK(result)) {
    *out = malloc(reply_length > 0 ? reply_length : 1);
    if (*out == NULL) {
      result = NT_STATUS(0xC0000017);
    } else {
      if (reply_length > 0) memcpy(*out, reply, reply_length);
      *out_length = reply_length;
    }
  }
  talloc_free(scratch);
  return NT_STATUS_V(result);
}

static void copy_text(char* to, int room, const char* from) {
  size_t n;
  if (room <= 0 || from == NULL) return;
  n = strlen(from);
  if (n > (size_t)room - 1) n = (size_t)room - 1;
  memcpy(to, from, n);
  to[n] = '\0';
}

static void authenticate(SMBCCTX* context, const char* server, const char* share,
                         char* workgroup, int workgroup_length, char* user, int user_length,
                         char* password, int password_length) {
  struct korvane_samba_session* s = smbc_getOptionUserData(context);
  (void)server;
  (void)share;
  if (s->kerberos) return;
  if (s->domain[0] != '\0') copy_text(workgroup, workgroup_length, s->domain);
  copy_text(user, user_length, s->user);
  copy_text(password, password_length, s->password);
}

int korvane_samba_share_space(struct korvane_samba_session* session, const char* url,
                              unsigned timeout_seconds, uint64_t* total, uint64_t* free_bytes,
                              uint64_t* available) {
  struct statvfs st;
  uint64_t unit;
  if (session->shares == NULL) {
    SMBCCTX* context = smbc_new_context();
    if (context == NULL) return -1;
    smbc_setDebug(context, 0);
    smbc_setOptionUserData(context, session);
    smbc_setFunctionAuthDataWithContext(context, authenticate);
    smbc_setOptionNoAutoAnonymousLogin(context, 1);
    smbc_setTimeout(context, (int)(timeout_seconds * 1000));
    if (session->kerberos) {
      smbc_setOptionUseKerberos(context, 1);
      smbc_setOptionFallbackAfterKerberos(context, 0);
    }
    if (smbc_init_context(context) == NULL) {
      smbc_free_context(context, 0);
      return -1;
    }
    session->shares = context;
  }
  memset(&st, 0, sizeof st);
  if (smbc_getFunctionStatVFS(session->shares)(session->shares, (char*)url, &st) != 0) return -1;
  /* The library reports bytes per sector as the block size and sectors per allocation
     unit as the fragment size. */
  unit = (uint64_t)st.f_bsize * st.f_frsize;
  *total = (uint64_t)st.f_blocks * unit;
  *free_bytes = (uint64_t)st.f_bfree * unit;
  *available = (uint64_t)st.f_bavail * unit;
  return 0;
}
