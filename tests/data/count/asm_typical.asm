; expect: total=16 exec=5 comment=10 blank=1
        .model small
start:  mov ax, 1          ; an instruction and a remark
; a remark alone

COMMENT !
    a block ended by its delimiter

    the blank line above is a comment line
done ! mov bx, 2
        db "a;b", 0
        mov cx, 3 ; comment X words until the letter
    this line holds no capital ex
    X closes it
        int 21h
        end start
