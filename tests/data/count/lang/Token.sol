// expect: total=25 exec=14 comment=8 blank=3
// SPDX-License-Identifier: GPL-3.0-or-later
pragma solidity ^0.8.20;

/**
 * @title A simple token.

 * @notice A "quote" in a comment opens nothing.
 */
contract Token {
    string public name = "Token // not a comment";
    string public symbol = 'TK /* text */';
    mapping(address => uint256) public balanceOf; // the balances

    event Transfer(address indexed from, address indexed to, uint256 value);

    /// Moves tokens to another account.
    function transfer(address to, uint256 value) external returns (bool) {
        require(balanceOf[msg.sender] >= value, "not \"enough\"");
        balanceOf[msg.sender] -= value; /* debit */
        balanceOf[to] += value;
        emit Transfer(msg.sender, to, value);
        return true;
    }
}
