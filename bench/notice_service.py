#!/usr/bin/env python3
"""A stand-in notice service on 127.0.0.1:80 for the benchmark and the demonstration:
"answer" sends 200 to every request, "silent" accepts and never answers. With a log file,
each request's bytes are appended to it.

    notice_service.py answer|silent [LOG]
"""
import socket
import sys
import threading


def serve(mode, log):
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 80))
    listener.listen(16)
    held = []
    while True:
        client, _ = listener.accept()
        if mode == "silent":
            held.append(client)  # kept open, never answered
            continue
        threading.Thread(target=answer, args=(client, log), daemon=True).start()


def answer(client, log):
    with client:
        request = b""
        while b"\r\n\r\n" not in request:
            data = client.recv(4096)
            if not data:
                return
            request += data
        if log:
            with open(log, "ab") as f:
                f.write(request)
        client.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")


if __name__ == "__main__":
    serve(sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else None)
