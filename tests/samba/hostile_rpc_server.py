#!/usr/bin/env python3
"""A DCE/RPC server on ADDRESS:PORT (connection-oriented, over plain TCP) that accepts any
bind without authentication and then answers every request badly, one way per run:
  truncated   a response fragment announcing 1024 bytes; 40 come, then the connection closes
  oversized   a response fragment of 65535 bytes, eleven times the size the bind agreed,
              announcing a 4 GB reply
  misaligned  a last fragment whose stub is 21 bytes (no multiple of 4), shifted by a pad
              byte, with a length hint that says 4096
  endless     a first fragment, then fragments of the agreed size that never say "last"
  stalled     a first fragment, then silence with the connection open
Writes "bind auth_length N" for each bind, and in endless mode "endless sent N bytes" when
the client hangs up. Runs until killed.
  hostile_rpc_server.py MODE ADDRESS PORT"""
import socket
import struct
import sys
import threading

mode = sys.argv[1]
port = int(sys.argv[3])

BIND, BIND_ACK, REQUEST, RESPONSE = 11, 12, 0, 2
FIRST, LAST = 0x01, 0x02
FRAGMENT = 5840
NDR = bytes.fromhex("045d888aeb1cc9119fe808002b104860") + struct.pack("<I", 2)


def header(ptype, flags, length, call_id, auth_length=0):
    return struct.pack("<BBBB4sHHI", 5, 0, ptype, flags, b"\x10\0\0\0", length, auth_length, call_id)


def read_exact(conn, n):
    data = b""
    while len(data) < n:
        chunk = conn.recv(n - len(data))
        if not chunk:
            raise EOFError
        data += chunk
    return data


def read_pdu(conn):
    head = read_exact(conn, 16)
    ptype, flags = head[2], head[3]
    length, auth_length, call_id = struct.unpack_from("<HHI", head, 8)
    return ptype, flags, auth_length, call_id, read_exact(conn, length - 16)


def bind_ack(call_id, body):
    contexts = body[8]
    secondary = str(port).encode() + b"\0"
    ack = struct.pack("<HHIH", FRAGMENT, FRAGMENT, 0x1234, len(secondary)) + secondary
    ack += b"\0" * (-(16 + len(ack)) % 4)
    ack += struct.pack("<BBH", contexts, 0, 0)
    # The first context is taken with NDR; any other (such as a feature probe) refused.
    ack += struct.pack("<HH", 0, 0) + NDR
    ack += (struct.pack("<HH", 2, 2) + b"\0" * 20) * (contexts - 1)
    return header(BIND_ACK, FIRST | LAST, 16 + len(ack), call_id) + ack


def response(flags, call_id, stub, alloc_hint, length=None):
    body = struct.pack("<IHBB", alloc_hint, 0, 0, 0) + stub
    return header(RESPONSE, flags, length or 16 + len(body), call_id) + body


def answer(conn, call_id):
    if mode == "truncated":
        conn.sendall(response(FIRST | LAST, call_id, b"\0" * 16, 1000, length=1024))
        raise EOFError
    if mode == "oversized":
        conn.sendall(response(FIRST | LAST, call_id, b"\xff" * (65535 - 24), 0xFFFFFFFF))
    elif mode == "misaligned":
        conn.sendall(response(FIRST | LAST, call_id, b"\0" + b"\x01" * 20, 4096))
    elif mode == "stalled":
        conn.sendall(response(FIRST, call_id, b"\0" * 64, 4096))
        conn.recv(1)
        raise EOFError
    elif mode == "endless":
        stub = b"\0" * (FRAGMENT - 24)
        conn.sendall(response(FIRST, call_id, stub, 0x7FFFFFFF))
        sent = FRAGMENT
        try:
            while True:
                conn.sendall(response(0, call_id, stub, 0x7FFFFFFF))
                sent += FRAGMENT
        finally:
            print(f"endless sent {sent} bytes", flush=True)


def serve(conn):
    try:
        while True:
            ptype, _, auth_length, call_id, body = read_pdu(conn)
            if ptype == BIND:
                print(f"bind auth_length {auth_length}", flush=True)
                conn.sendall(bind_ack(call_id, body))
            elif ptype == REQUEST:
                answer(conn, call_id)
    except (EOFError, OSError):
        pass
    finally:
        conn.close()


listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind((sys.argv[2], port))
listener.listen(64)
print("listening", flush=True)
while True:
    conn, _ = listener.accept()
    threading.Thread(target=serve, args=(conn,), daemon=True).start()
