#!/usr/bin/env python3
"""A server on ADDRESS:445 that answers every connection badly, one way per run:
  silent   accepts and never sends a byte
  garbage  answers every read with bytes that are no SMB
  endless  answers with a session header that announces 16 MB, then trickles zeros
  close    closes every connection at once
Runs until killed.   hostile_server.py MODE ADDRESS"""
import socket
import sys
import threading
import time

mode = sys.argv[1]


def serve(conn):
    try:
        if mode == "close":
            return
        if mode == "silent":
            time.sleep(3600)
            return
        while True:
            data = conn.recv(65536)
            if not data:
                return
            if mode == "garbage":
                conn.sendall(b"\x00\x00\x00\x10" + b"\xfe\xffNOT-SMB-AT-ALL")
            elif mode == "endless":
                conn.sendall(b"\x00\xff\xff\xff\xfeSMB")
                while True:
                    conn.sendall(b"\x00" * 64)
                    time.sleep(0.05)
    except OSError:
        pass
    finally:
        conn.close()


listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind((sys.argv[2], 445))
listener.listen(64)
print("listening", flush=True)
while True:
    conn, _ = listener.accept()
    threading.Thread(target=serve, args=(conn,), daemon=True).start()
