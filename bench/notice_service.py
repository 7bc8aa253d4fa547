#!/usr/bin/env python3
"""A stand-in notice service on 127.0.0.1:80 for the benchmark: "answer" sends 200 to every
request, "silent" accepts and never answers.

    notice_service.py answer|silent
"""
import socket
import sys
import threading


def serve(mode):
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
        threading.Thread(target=answer, args=(client,), daemon=True).start()


def answer(client):
    with client:
        request = b""
        while b"\r\n\r\n" not in request:
            data = client.recv(4096)
            if not data:
                return
            request += data
        client.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")


if __name__ == "__main__":
    serve(sys.argv[1])
