// expect: total=25 exec=15 comment=6 blank=4
`timescale 1ns / 1ps

/*
 * An 8-bit counter with a synchronous reset.

 */
module counter (
    input  wire       clk,
    input  wire       rst,   // active high
    output reg  [7:0] count
);

    localparam NAME = "counter // not a comment";

    always @(posedge clk) begin
        if (rst)
            count <= 8'd0;  /* reset */
        else
            count <= count + 8'd1;
    end

    // a comment line
    initial $display("%s \"ready\"", NAME);
endmodule
